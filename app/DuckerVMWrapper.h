#pragma once
#include "viewmodels/DuckerVM.h"

#include <QObject>
#include <QSharedPointer>

// Same shape as ShellVMWrapper; DuckerVM is a factory type, so each wrapper makes its own.
class DuckerVMWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(DuckerVM *duckerVM READ duckerVM NOTIFY duckerVMChanged)
public:
    explicit DuckerVMWrapper(QObject *parent = nullptr);

    DuckerVM *duckerVM() const { return m_viewModel.data(); }

signals:
    void duckerVMChanged();

private:
    QSharedPointer<DuckerVM> m_viewModel;
};
