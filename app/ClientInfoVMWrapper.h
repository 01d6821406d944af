#pragma once
#include "viewmodels/ClientInfoVM.h"

#include <QObject>
#include <QSharedPointer>

// Same shape as ShellVMWrapper; ClientInfoVM is a factory type, so each wrapper makes its own.
class ClientInfoVMWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(ClientInfoVM *clientInfoVM READ clientInfoVM NOTIFY clientInfoVMChanged)
public:
    explicit ClientInfoVMWrapper(QObject *parent = nullptr);

    ClientInfoVM *clientInfoVM() const { return m_viewModel.data(); }

signals:
    void clientInfoVMChanged();

private:
    QSharedPointer<ClientInfoVM> m_viewModel;
};
