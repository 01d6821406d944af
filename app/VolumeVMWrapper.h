#pragma once
#include "viewmodels/VolumeVM.h"

#include <QObject>
#include <QSharedPointer>

// Same shape as ShellVMWrapper; VolumeVM is a factory type, so each wrapper makes its own.
class VolumeVMWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(VolumeVM *volumeVM READ volumeVM NOTIFY volumeVMChanged)
public:
    explicit VolumeVMWrapper(QObject *parent = nullptr);

    VolumeVM *volumeVM() const { return m_viewModel.data(); }

signals:
    void volumeVMChanged();

private:
    QSharedPointer<VolumeVM> m_viewModel;
};
