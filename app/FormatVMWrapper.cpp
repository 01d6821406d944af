#include "app/FormatVMWrapper.h"

#include "core/ServiceContainer.h"

FormatVMWrapper::FormatVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<FormatVM>())
{}
