#include "app/MainTopBarVMWrapper.h"

#include "app/ServiceContainer.h"

MainTopBarVMWrapper::MainTopBarVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<MainTopBarVM>())
{
}
