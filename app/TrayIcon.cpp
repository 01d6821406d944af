#include "app/TrayIcon.h"

#include "app/AppLog.h"
#include "app/DesktopIntegration.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QQmlContext>
#include <QQuickView>
#include <QSystemTrayIcon>
#include <QWindow>

bool checkTrayAvailability()
{
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        qCDebug(lcApp, "Tray available.\n");
        QGuiApplication::setQuitOnLastWindowClosed(false);
        return true;
    }
    qCDebug(lcApp, "Tray not available.\n");
    return false;
}

QSystemTrayIcon *installTrayIcon(QWindow *window)
{
    // The parent would be the root QML context's context object, which is never set.
    QObject *parent = nullptr;
    if (auto *view = qobject_cast<QQuickView *>(window))
        parent = view->rootContext() ? view->rootContext()->contextObject() : nullptr;

    const auto show = [window] { window->showNormal(); };

    auto *showAction = new QAction(QCoreApplication::translate("TrayIcon", "&Show"), parent);
    QObject::connect(showAction, &QAction::triggered, window, show);
    auto *exitAction = new QAction(QCoreApplication::translate("TrayIcon", "&Exit"), parent);
    QObject::connect(exitAction, &QAction::triggered, QCoreApplication::instance(), &QCoreApplication::quit);

    auto *menu = new QMenu();
    menu->addAction(showAction);
    menu->addAction(exitAction);

    auto *icon = new QSystemTrayIcon(parent);
    icon->setContextMenu(menu);
    // By the theme's name where installed: a D-Bus tray then shows the desktop's own icon.
    icon->setIcon(desktop::applicationIcon());
    //: The product's name, also the window's title and the menu entry's name.
    icon->setToolTip(QCoreApplication::translate("TrayIcon", "Calder USB Audio Control Panel"));
    QObject::connect(icon, &QSystemTrayIcon::activated, window, show);
    icon->setVisible(true);
    return icon;
}
