#pragma once
#include "viewmodels/InfoVM.h"

#include <QObject>
#include <QSharedPointer>

// Same shape as ShellVMWrapper; InfoVM is a factory type, so each wrapper makes its own.
class InfoVMWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(InfoVM *infoVM READ infoVM NOTIFY infoVMChanged)
public:
    explicit InfoVMWrapper(QObject *parent = nullptr);

    InfoVM *infoVM() const { return m_viewModel.data(); }

signals:
    void infoVMChanged();

private:
    QSharedPointer<InfoVM> m_viewModel;
};
