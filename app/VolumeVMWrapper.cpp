#include "app/VolumeVMWrapper.h"

#include "core/ServiceContainer.h"

VolumeVMWrapper::VolumeVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<VolumeVM>())
{}
