#include "app/VolumeVMWrapper.h"

#include "app/ServiceContainer.h"

VolumeVMWrapper::VolumeVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<VolumeVM>())
{
}
