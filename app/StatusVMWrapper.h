#pragma once
#include "viewmodels/StatusVM.h"

#include <QObject>
#include <QSharedPointer>

// Same shape as ShellVMWrapper; StatusVM is a factory type, so each wrapper makes its own.
class StatusVMWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(StatusVM *statusVM READ statusVM NOTIFY statusVMChanged)
public:
    explicit StatusVMWrapper(QObject *parent = nullptr);

    StatusVM *statusVM() const { return m_viewModel.data(); }

signals:
    void statusVMChanged();

private:
    QSharedPointer<StatusVM> m_viewModel;
};
