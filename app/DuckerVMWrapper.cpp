#include "app/DuckerVMWrapper.h"

#include "app/ServiceContainer.h"

DuckerVMWrapper::DuckerVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<DuckerVM>())
{
}
