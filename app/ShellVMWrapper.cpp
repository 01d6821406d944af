#include "app/ShellVMWrapper.h"

#include "app/ServiceContainer.h"

// A registered instance: every wrapper shares the one shell view model.
ShellVMWrapper::ShellVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<ShellVM>())
{
}
