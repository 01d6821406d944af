#include "app/StatusVMWrapper.h"

#include "core/ServiceContainer.h"

StatusVMWrapper::StatusVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<StatusVM>())
{}
