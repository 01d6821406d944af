#pragma once
#include "viewmodels/AudioRoutingVM.h"

#include <QObject>
#include <QSharedPointer>

// Same shape as ShellVMWrapper; AudioRoutingVM is a factory type, so each wrapper makes its own.
class AudioRoutingVMWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(AudioRoutingVM *audioRoutingVM READ audioRoutingVM NOTIFY audioRoutingVMChanged)
public:
    explicit AudioRoutingVMWrapper(QObject *parent = nullptr);

    AudioRoutingVM *audioRoutingVM() const { return m_viewModel.data(); }

signals:
    void audioRoutingVMChanged();

private:
    QSharedPointer<AudioRoutingVM> m_viewModel;
};
