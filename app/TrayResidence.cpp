#include "app/TrayResidence.h"

#include "platform/Memory.h"

#include <QPixmapCache>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>

namespace {
constexpr int kReleaseDelayMs = 200;
}

TrayResidence::TrayResidence(QQuickView *window) : QObject(window), m_window(window)
{
    if (QQuickItem *root = window->rootObject())
        m_pages = root->findChild<QObject *>(QStringLiteral("pageLoader"));
    window->setPersistentOpenGLContext(false);
    window->setPersistentSceneGraph(false);
    m_release.setSingleShot(true);
    m_release.setInterval(kReleaseDelayMs);
    connect(&m_release, &QTimer::timeout, this, &TrayResidence::release);
    connect(window, &QWindow::visibleChanged, this, &TrayResidence::onVisibleChanged);
}

void TrayResidence::onVisibleChanged(bool visible)
{
    // Before the window's first frame after a show: the frame has the page. (The window also
    // hides as it is destroyed, after its QML: hence the guarded pointer.)
    if (m_pages)
        m_pages->setProperty("active", visible);
    if (visible)
        m_release.stop();
    else
        m_release.start();
}

void TrayResidence::release()
{
    if (m_window->isVisible())
        return;
    m_window->releaseResources();
    // The compiled QML types stay: trimming them gave back nothing measurable, and the page
    // shown again would have to load its types anew before its first frame.
    if (QQmlEngine *engine = m_window->engine())
        engine->collectGarbage();
    QPixmapCache::clear();
    platform::returnFreedMemory();
}
