#include "app/FormatVMWrapper.h"

#include "app/ServiceContainer.h"

FormatVMWrapper::FormatVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<FormatVM>())
{
}
