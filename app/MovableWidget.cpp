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
    case QEvent::MouseButtonRelease: m_lastCursorPos = QCursor::pos(); break;
    case QEvent::MouseMove: {
        if (static_cast<QMouseEvent *>(event)->buttons() != Qt::LeftButton)
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

void MovableWidget::handleGlobalShortcut() { qCDebug(lcApp) << "Global shortcut handled"; }
