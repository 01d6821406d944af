#include "ViewHarness.h"

#include <QRegularExpression>
#include <QTest>

namespace {
QStringList &logged()
{
    static QStringList messages;
    return messages;
}

QtMessageHandler previousHandler = nullptr;

void collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        logged().append(message);
    if (previousHandler)
        previousHandler(type, context, message);
}
} // namespace

// Both resource collections live in static libraries, where nothing else pulls them in.
static void initResources()
{
    Q_INIT_RESOURCE(calder_resources);
    Q_INIT_RESOURCE(qml_views);
}

ViewHarness::ViewHarness()
{
    static const bool once = [] {
        initResources();
        FakeWrapper::registerTypes();
        previousHandler = qInstallMessageHandler(collect);
        return true;
    }();
    Q_UNUSED(once);
    m_view.reset(new QQuickView);
    m_view->setSource(QUrl(QStringLiteral("qrc:/qml_views/Harness.qml")));
    m_view->show();
    if (!QTest::qWaitForWindowExposed(m_view.get()))
        qWarning("page harness: window not exposed");
}

ViewHarness::~ViewHarness() { unload(); }

bool ViewHarness::load(const QString &page, const QVariantMap &state)
{
    unload();
    journal().clear();
    logged().clear();
    FakeViewModel::nextState() = state;
    m_view->rootObject()->setProperty("pPage", QUrl(QStringLiteral("qrc:/UI/Qml/MasterViews/") + page));
    QCoreApplication::processEvents();
    return this->page() != nullptr;
}

void ViewHarness::unload()
{
    m_view->rootObject()->setProperty("pPage", QUrl());
    // The Loader deletes the old page later, as the event loop would.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QQuickItem *ViewHarness::page() const { return m_view->rootObject()->property("pPageItem").value<QQuickItem *>(); }

FakeViewModel *ViewHarness::vm() const
{
    return page() ? qobject_cast<FakeViewModel *>(page()->property("viewModel").value<QObject *>()) : nullptr;
}

QStringList ViewHarness::qmlProblems() const
{
    static const QRegularExpression qml(QStringLiteral(
        "qrc:/|ReferenceError|TypeError|Cannot assign|Unable to assign|Binding loop|is not a type|Cannot open|QML "));
    return logged().filter(qml);
}

QList<QQuickItem *> ViewHarness::find(QQuickItem *root, const std::function<bool(QQuickItem *)> &match) const
{
    QList<QQuickItem *> found;
    for (QQuickItem *child : root ? root->childItems() : QList<QQuickItem *>()) {
        if (match(child))
            found.append(child);
        found.append(find(child, match));
    }
    return found;
}

QQuickItem *ViewHarness::byName(const QString &objectName) const
{
    return find(page(), [&](QQuickItem *i) { return i->objectName() == objectName; }).value(0);
}

QList<QQuickItem *> ViewHarness::texts(const QString &text, QQuickItem *root) const
{
    return find(root ? root : page(), [&](QQuickItem *i) {
        const QVariant value = i->property("text");
        return value.isValid() && value.toString() == text && isShown(i);
    });
}

QList<QQuickItem *> ViewHarness::images(const QUrl &image, QQuickItem *root) const
{
    return find(root, [&](QQuickItem *i) { return i->property("source").toUrl() == image && isShown(i); });
}

QList<QQuickItem *> ViewHarness::sliders(QQuickItem *root) const
{
    auto found = find(root, [](QQuickItem *i) { return i->inherits("QQuickSlider"); });
    std::sort(found.begin(), found.end(), [](QQuickItem *a, QQuickItem *b) {
        return a->mapRectToScene(a->boundingRect()).left() < b->mapRectToScene(b->boundingRect()).left();
    });
    return found;
}

bool ViewHarness::isShown(QQuickItem *item)
{
    if (!item || !item->isVisible() || item->width() <= 0 || item->height() <= 0)
        return false;
    for (QQuickItem *i = item; i; i = i->parentItem()) {
        if (i->opacity() <= 0.01)
            return false;
    }
    return true;
}

void ViewHarness::click(QQuickItem *item) const
{
    if (!item) {
        QTest::qFail("nothing to click: the item is not on the page", __FILE__, __LINE__);
        return;
    }
    clickScene(item->mapRectToScene(item->boundingRect()).center());
}

void ViewHarness::clickScene(QPointF scenePoint) const
{
    QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, scenePoint.toPoint());
    QCoreApplication::processEvents();
}

void ViewHarness::clickBackground() const
{
    clickScene(page()->mapToScene(QPointF(page()->width() - 20, page()->height() - 20)));
}
