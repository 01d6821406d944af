#pragma once
#include <QPoint>
#include <QQuickView>

class DisplayScalingFactorCalculator;

// The frameless main window. The user drags it by its top band: the window filters its own
// mouse events (before the QML scene sees them, which still gets every one). A press in the band
// hands the drag to the desktop's own move (a Wayland compositor lets no client place its
// window); where the desktop cannot (X11 without a window manager) the window moves itself.
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

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    QPoint m_lastCursorPos;
    // Whether this press's drag went to the desktop (then the window leaves the moving to it).
    enum class DesktopMove { NotAsked, Moving, Refused } m_desktopMove = DesktopMove::NotAsked;
};
