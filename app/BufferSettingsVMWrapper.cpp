#include "app/BufferSettingsVMWrapper.h"

#include "core/ServiceContainer.h"

BufferSettingsVMWrapper::BufferSettingsVMWrapper(QObject *parent)
    : QObject(parent), m_viewModel(ServiceContainer::instance()->resolve<BufferSettingsVM>())
{}
