#pragma once
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QTimer>

class QQuickView;
class UIService;

// Keeps the window cheap while it waits hidden in the tray. Hiding it gives back what only a
// shown window needs: the scene graph and its OpenGL context (released by Qt Quick itself when the
// window hides, once they are not persistent), the page's QML objects (its view model goes with
// them; the shell view model still names the page), pixmaps and JavaScript garbage, and then the
// memory the allocator holds free. Showing it builds the named page again before its first frame.
class TrayResidence : public QObject
{
public:
    // Made once the view's source is set: the page area is its QML object named "pageLoader"
    // (a Loader). `ui`, when given, is told while the page is built again for a show.
    explicit TrayResidence(QQuickView *window, QSharedPointer<UIService> ui = {});

private:
    void onVisibleChanged(bool visible);
    void release();

    QQuickView *m_window;
    QPointer<QObject> m_pages;
    QSharedPointer<UIService> m_ui;
    // Hiding releases a moment later: the page's objects are deleted from the event loop first,
    // and a show right after a hide costs nothing.
    QTimer m_release;
};
