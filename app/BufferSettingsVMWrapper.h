#pragma once
#include "viewmodels/BufferSettingsVM.h"

#include <QObject>
#include <QSharedPointer>

// Same shape as ShellVMWrapper; BufferSettingsVM is a factory type, so each wrapper makes its own.
class BufferSettingsVMWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(BufferSettingsVM *bufferSettingsVM READ bufferSettingsVM NOTIFY bufferSettingsVMChanged)
public:
    explicit BufferSettingsVMWrapper(QObject *parent = nullptr);

    BufferSettingsVM *bufferSettingsVM() const { return m_viewModel.data(); }

signals:
    void bufferSettingsVMChanged();

private:
    QSharedPointer<BufferSettingsVM> m_viewModel;
};
