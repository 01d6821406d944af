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

private:
    QSharedPointer<ShellVM> m_shell;
    QPointer<QWindow> m_window;
};
