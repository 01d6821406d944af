#include "app/UIService.h"

#include "viewmodels/ShellVM.h"

#include <QDebug>
#include <utility>

UIService::UIService(QSharedPointer<ShellVM> shell) : m_shell(std::move(shell)) {}

UIService::~UIService() { qDebug() << "Deleted"; }

void UIService::showMasterView(const QString &url)
{
    if (m_shell)
        m_shell->setSelectedMasterView(url);
}
