#include "app/ClientInfoVMWrapper.h"

#include "core/ServiceContainer.h"

ClientInfoVMWrapper::ClientInfoVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<ClientInfoVM>())
{}
