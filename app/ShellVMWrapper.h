#pragma once
// QML's way to a view model: creating the wrapper resolves the view model from the process-wide
// container and keeps it alive exactly as long as the wrapper. Every wrapper has this shape:
// one read-only pointer property whose notify signal is never emitted (the pointer is fixed at
// construction). The page wrappers (StatusVMWrapper, ...) repeat it for their view model.
#include "viewmodels/ShellVM.h"

#include <QObject>
#include <QSharedPointer>

class ShellVMWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(ShellVM *shellVM READ shellVM NOTIFY shellVMChanged)
public:
    explicit ShellVMWrapper(QObject *parent = nullptr);

    // QML does not own it: the wrapper's shared reference does.
    ShellVM *shellVM() const { return m_viewModel.data(); }

signals:
    void shellVMChanged();

private:
    QSharedPointer<ShellVM> m_viewModel;
};
