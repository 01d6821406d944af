#pragma once
#include <QPoint>
#include <QQuickView>

class DisplayScalingFactorCalculator;

// The frameless main window. The user drags it by its top band: the window filters its own
// mouse events (before the QML scene sees them, which still gets every one).
class MovableWidget : public QQuickView
{
    Q_OBJECT
public:
    // Depth of the band, from the window's top edge, in which a left-button drag moves it.
    static constexpr int kDragBandHeight = 50;

    explicit MovableWidget(QWindow *parent = nullptr);
    // On an engine made before the window (not owned): its QML can load while the window is set up.
    explicit MovableWidget(QQmlEngine *engine, QWindow *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

    // Holds the window at the fixed size of the calculator's scale: now, and again whenever the
    // scale changes (the views grow and shrink on the same signal).
    void keepFixedSize(const DisplayScalingFactorCalculator *calculator);

public slots:
    void handleGlobalShortcut();

private:
    QPoint m_lastCursorPos;
};
