#include "app/AudioRoutingVMWrapper.h"

#include "core/ServiceContainer.h"

AudioRoutingVMWrapper::AudioRoutingVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<AudioRoutingVM>())
{}
