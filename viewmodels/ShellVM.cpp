#include "viewmodels/ShellVM.h"

#include <QDebug>

ShellVM::ShellVM(QObject *parent) : QObject(parent) {}

ShellVM::~ShellVM() { qDebug() << "Deleted"; }

void ShellVM::setSelectedMasterView(const QString &url)
{
    if (url == m_selectedMasterView)
        return;
    m_selectedMasterView = url;
    emit selectedMasterViewChanged(url);
}

void ShellVM::closePopup() {}
