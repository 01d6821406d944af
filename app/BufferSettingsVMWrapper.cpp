#include "app/BufferSettingsVMWrapper.h"

#include "app/ServiceContainer.h"

BufferSettingsVMWrapper::BufferSettingsVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<BufferSettingsVM>())
{
}
