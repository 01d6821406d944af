#include "app/MainTopBarVMWrapper.h"

#include "core/ServiceContainer.h"

MainTopBarVMWrapper::MainTopBarVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<MainTopBarVM>())
{}
