#include "app/KeyboardNavigation.h"

#include <QCoreApplication>
#include <QKeyEvent>

KeyboardNavigation::KeyboardNavigation(QObject *parent)
    : QObject(parent)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

bool KeyboardNavigation::isNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

bool KeyboardNavigation::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    // A key bound to a shortcut arrives as ShortcutOverride only, never as KeyPress.
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        if (isNavigationKey(static_cast<QKeyEvent *>(event)->key()))
            setActive(true);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::TouchBegin:
        setActive(false);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void KeyboardNavigation::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    emit activeChanged();
}
