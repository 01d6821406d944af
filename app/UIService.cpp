#include "app/UIService.h"

#include "app/AppLog.h"
#include "viewmodels/ShellVM.h"

#include <QDebug>
#include <QSystemTrayIcon>
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
    if (!m_window)
        return;
    // Without a tray nothing could bring a hidden window back: it goes to the task bar instead.
    // Asked each time: a tray may come or go while the panel runs.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_window->hide();
    else
        m_window->showMinimized();
}
