#include "app/DuckerVMWrapper.h"

#include "core/ServiceContainer.h"

DuckerVMWrapper::DuckerVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<DuckerVM>())
{}
