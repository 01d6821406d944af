#include "app/ClientInfoVMWrapper.h"

#include "app/ServiceContainer.h"

ClientInfoVMWrapper::ClientInfoVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<ClientInfoVM>())
{
}
