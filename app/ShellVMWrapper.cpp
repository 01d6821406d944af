#include "app/ShellVMWrapper.h"

#include "core/ServiceContainer.h"

// A registered instance: every wrapper shares the one shell view model.
ShellVMWrapper::ShellVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<ShellVM>())
{}
