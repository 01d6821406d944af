#include "viewmodels/ShellVM.h"

#include "core/AssignAndNotify.h"
#include "viewmodels/ViewModelsLog.h"

#include <QDebug>

ShellVM::ShellVM(QObject *parent) : QObject(parent) {}

ShellVM::~ShellVM() { qCDebug(lcViewModels) << "Deleted"; }

void ShellVM::setSelectedMasterView(const QString &url)
{
    assignAndNotify(this, m_selectedMasterView, url, &ShellVM::selectedMasterViewChanged);
}

void ShellVM::closePopup() {}
