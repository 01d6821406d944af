#include "app/TrayResidence.h"

#include "app/UIService.h"
#include "platform/Memory.h"

#include <QPixmapCache>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>

namespace {
constexpr int kReleaseDelayMs = 200;
}

TrayResidence::TrayResidence(QQuickView *window, QSharedPointer<UIService> ui)
    : QObject(window), m_window(window), m_ui(std::move(ui))
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
    // The Loader builds the page at once; its view model asks, while it activates, whether this
    // is only the hidden page coming back.
    if (m_pages) {
        if (m_ui)
            m_ui->setRestoringPage(visible);
        m_pages->setProperty("active", visible);
        if (m_ui)
            m_ui->setRestoringPage(false);
    }
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
