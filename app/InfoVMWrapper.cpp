#include "app/InfoVMWrapper.h"

#include "app/ServiceContainer.h"

InfoVMWrapper::InfoVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<InfoVM>())
{
}
