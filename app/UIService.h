#pragma once
#include "core/IUIService.h"

#include <QPointer>
#include <QSharedPointer>

class QWindow;
class ShellVM;

class UIService : public IUIService
{
public:
    // The window is not owned: hiding it does nothing once it is gone.
    explicit UIService(QSharedPointer<ShellVM> shell, QWindow *window = nullptr);
    ~UIService() override;

    void showMasterView(const QString &url) override;
    void hideMainWindow() override;
    bool isRestoringPage() const override { return m_restoringPage; }
    // Set by the window's tray residence while it builds the page again for a show.
    void setRestoringPage(bool restoring) { m_restoringPage = restoring; }

private:
    QSharedPointer<ShellVM> m_shell;
    QPointer<QWindow> m_window;
    bool m_restoringPage = false;
};
