#include "app/InfoVMWrapper.h"

#include "core/ServiceContainer.h"

InfoVMWrapper::InfoVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<InfoVM>())
{}
