#include "app/UIService.h"

#include "app/AppLog.h"
#include "viewmodels/ShellVM.h"

#include <QDebug>
#include <QWindow>

#include <utility>

UIService::UIService(QSharedPointer<ShellVM> shell, QWindow *window) : m_shell(std::move(shell)), m_window(window) {}

UIService::~UIService() { qCDebug(lcApp) << "Deleted"; }

void UIService::showMasterView(const QString &url)
{
    if (m_shell)
        m_shell->setSelectedMasterView(url);
}

void UIService::hideMainWindow()
{
    if (m_window)
        m_window->hide();
}
