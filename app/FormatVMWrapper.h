#pragma once
#include "viewmodels/FormatVM.h"

#include <QObject>
#include <QSharedPointer>

// Same shape as ShellVMWrapper; FormatVM is a factory type, so each wrapper makes its own.
class FormatVMWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(FormatVM *formatVM READ formatVM NOTIFY formatVMChanged)
public:
    explicit FormatVMWrapper(QObject *parent = nullptr);

    FormatVM *formatVM() const { return m_viewModel.data(); }

signals:
    void formatVMChanged();

private:
    QSharedPointer<FormatVM> m_viewModel;
};
