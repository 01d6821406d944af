#include "app/MovableWidget.h"

#include "app/AppLog.h"
#include "app/DisplayScalingFactorCalculator.h"

#include <QCursor>
#include <QDebug>
#include <QMouseEvent>

MovableWidget::MovableWidget(QWindow *parent) : QQuickView(parent), m_lastCursorPos(0, 0) { installEventFilter(this); }

MovableWidget::MovableWidget(QQmlEngine *engine, QWindow *parent) : QQuickView(engine, parent), m_lastCursorPos(0, 0)
{
    installEventFilter(this);
}

void MovableWidget::keepFixedSize(const DisplayScalingFactorCalculator *calculator)
{
    const auto apply = [this, calculator] {
        const QSize size = scaling::fixedWindowSize(calculator->scalingFactor());
        setMinimumSize(size);
        setMaximumSize(size);
        resize(size);
    };
    apply();
    connect(calculator, &DisplayScalingFactorCalculator::scalingFactorChanged, this, apply);
}

bool MovableWidget::eventFilter(QObject *watched, QEvent *event)
{
    Q_UNUSED(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_desktopMove = DesktopMove::NotAsked;
        Q_FALLTHROUGH();
    case QEvent::MouseButtonRelease: m_lastCursorPos = QCursor::pos(); break;
    case QEvent::MouseMove: {
        if (static_cast<QMouseEvent *>(event)->buttons() != Qt::LeftButton || m_desktopMove == DesktopMove::Moving)
            break;
        const QPoint cursor = QCursor::pos();
        const QPoint delta = m_lastCursorPos - cursor;
        // Tracked outside the band too, so re-entering it does not jump by the distance
        // travelled outside.
        m_lastCursorPos = cursor;
        const QRect frame = geometry();
        if (cursor.y() <= frame.top() + kDragBandHeight)
            setPosition(frame.x() - delta.x(), frame.y() - delta.y());
        break;
    }
    default: break;
    }
    return false;
}

void MovableWidget::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->pos(); // delivery to the items rewrites the event's position
    QQuickView::mousePressEvent(event);
    // A press in the band that no control took (the close button takes its own) is a drag: the
    // desktop's move follows the cursor from the press on. Where the desktop cannot move windows
    // (X11 without a window manager) the event filter moves it.
    if (mouseGrabberItem() || event->buttons() != Qt::LeftButton || pos.y() > kDragBandHeight)
        return;
    m_desktopMove = startSystemMove() ? DesktopMove::Moving : DesktopMove::Refused;
    if (m_desktopMove == DesktopMove::Moving)
        qCDebug(lcApp, ": The desktop moves the window.\n");
}

void MovableWidget::handleGlobalShortcut() { qCDebug(lcApp) << "Global shortcut handled"; }
