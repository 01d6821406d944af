#pragma once
#include "viewmodels/MainTopBarVM.h"

#include <QObject>
#include <QSharedPointer>

// Same shape as ShellVMWrapper; MainTopBarVM is a factory type, so each wrapper makes its own.
class MainTopBarVMWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(MainTopBarVM *mainTopBarVM READ mainTopBarVM NOTIFY mainTopBarVMChanged)
public:
    explicit MainTopBarVMWrapper(QObject *parent = nullptr);

    MainTopBarVM *mainTopBarVM() const { return m_viewModel.data(); }

signals:
    void mainTopBarVMChanged();

private:
    QSharedPointer<MainTopBarVM> m_viewModel;
};
