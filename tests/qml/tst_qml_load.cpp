// Every QML file of the resources with the real bridge and the simulated driver (one Alto):
// each compiles, and each control, page and the main window is created without a warning.
// Also the group box's row click as the status page relies on it, log line included.
#include "app/AppRegistrations.h"
#include "app/ServiceContainer.h"

#include <QDirIterator>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QtTest>

namespace {
QStringList g_messages;
QtMessageHandler g_previous = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    static const char *kinds[] = {"debug", "warning", "critical", "fatal", "info"};
    g_messages << QStringLiteral("%1: %2").arg(QLatin1String(kinds[type]), message);
    if (g_previous)
        g_previous(type, context, message);
}

// Messages other than debug lines, which the pages write on purpose.
QStringList problems(const QStringList &messages)
{
    QStringList result;
    for (const QString &m : messages) {
        if (!m.startsWith(QLatin1String("debug: ")) && !m.startsWith(QLatin1String("info: ")))
            result << m;
    }
    return result;
}

// The page area as Main.qml provides it: the scaling calculator and the style objects by
// their global ids, and a loader for the file under test.
const char kHarness[] = R"(
import QtQuick 2.5
import DisplayScalingFactorCalculator 1.0
import "qrc:/UI/Qml/Strings"
Item {
    width: 800; height: 414
    DisplayScalingFactorCalculator { id: mDisplayScalingFactorCalculator }
    Colors { id: globalColors }
    Sizes { id: globalSizes }
    Strings { id: globalStrings }
    ImagePaths { id: globalImagePaths }
    Fonts { id: globalFonts }
    Loader { objectName: "loader"; anchors.fill: parent }
}
)";
} // namespace

class TestQmlLoad : public QObject
{
    Q_OBJECT
private:
    ServiceContainer m_container;

    // The harness, shown in the view; the caller deletes it before the view.
    static QQuickItem *createHarness(QQuickView &view)
    {
        QQmlComponent harness(view.engine());
        harness.setData(kHarness, QUrl(QStringLiteral("qrc:/UI/Qml/harness.qml")));
        auto *root = qobject_cast<QQuickItem *>(harness.create());
        if (!root) {
            qWarning("%s", qPrintable(harness.errorString()));
            return nullptr;
        }
        root->setParentItem(view.contentItem());
        view.resize(int(root->width()), int(root->height()));
        return root;
    }

    // Files that stand alone in the page area: the controls and the pages themselves. Pieces
    // in the pages' sub-folders expect their page around them and are only compiled.
    static bool standsAlone(const QString &path)
    {
        return path.startsWith(QLatin1String(":/UI/Qml/CustomElements/"))
            || (path.startsWith(QLatin1String(":/UI/Qml/MasterViews/")) && path.count(QLatin1Char('/')) == 4);
    }

    static QStringList qmlFiles()
    {
        QStringList files;
        QDirIterator it(QStringLiteral(":/UI/Qml"), {QStringLiteral("*.qml")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        files.sort();
        return files;
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(calder_resources);
        ServiceContainer::setInstance(&m_container);
        registerServices(m_container);
        registerQmlTypes();
        g_previous = qInstallMessageHandler(recordMessage);
    }

    void cleanupTestCase()
    {
        qInstallMessageHandler(g_previous);
        m_container.clearInstances();
        m_container.clearFactories();
    }

    void init() { g_messages.clear(); }

    void everyFileCompiles()
    {
        const QStringList files = qmlFiles();
        QVERIFY(files.contains(QStringLiteral(":/UI/Qml/Main.qml")));
        QVERIFY(files.contains(QStringLiteral(":/UI/Qml/Shell/SplashScreen.qml")));
        QVERIFY(files.size() >= 30);
        QQmlEngine engine;
        for (const QString &file : files) {
            QQmlComponent component(&engine, QUrl(QLatin1String("qrc") + file));
            QVERIFY2(component.isReady(), qPrintable(file + QLatin1Char('\n') + component.errorString()));
        }
    }

    void standAloneFilesCreateCleanly_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString &file : qmlFiles()) {
            if (standsAlone(file))
                QTest::newRow(qPrintable(file.mid(9))) << file;
        }
    }

    void standAloneFilesCreateCleanly()
    {
        QFETCH(QString, file);
        QQuickView view;
        QScopedPointer<QQuickItem> root(createHarness(view));
        QVERIFY(root);
        auto *loader = root->findChild<QObject *>(QStringLiteral("loader"));
        QVERIFY(loader);
        loader->setProperty("source", QUrl(QLatin1String("qrc") + file));
        QCOMPARE(loader->property("status").toInt(), 1); // Loader.Ready
        view.show();
        QTest::qWait(50); // let the first frame and any deferred binding run
        loader->setProperty("source", QUrl()); // destruction must be clean too
        QCoreApplication::processEvents();
        root.reset();
        QCOMPARE(problems(g_messages), QStringList());
    }

    void mainWindowCreatesCleanly()
    {
        QQuickView view;
        view.setSource(QUrl(QStringLiteral("qrc:/UI/Qml/Main.qml")));
        QCOMPARE(view.status(), QQuickView::Ready);
        QQuickItem *root = view.rootObject();
        QVERIFY(root);
        auto *loader = root->findChild<QQuickItem *>(QStringLiteral("pageLoader"));
        QVERIFY(loader);
        // The top bar's activation asks for the status page.
        QTRY_VERIFY(loader->property("item").value<QQuickItem *>());
        QCOMPARE(loader->property("source").toUrl(),
                 QUrl(QStringLiteral("qrc:/UI/Qml/MasterViews/StatusMasterView.qml")));
        QCOMPARE(problems(g_messages), QStringList());
    }

    void groupBoxRowClick()
    {
        QQuickView view;
        QScopedPointer<QQuickItem> root(createHarness(view));
        QVERIFY(root);
        QQmlComponent boxComponent(view.engine());
        boxComponent.setData(R"(
import QtQuick 2.5
import "qrc:/UI/Qml/CustomElements"
CustomGroupBox {
    property var order: []
    width: 292; height: 90
    selections: ["First", "Second", "Third"]
    pListviewVisibility: true
    onItemSelected: order = order.concat(["itemSelected " + selectedItem])
    onItemClicked: order = order.concat(["itemClicked " + index + " " + currentItem])
    onDropDownClicked: order = order.concat(["dropDownClicked"])
})", QUrl(QStringLiteral("qrc:/UI/Qml/box.qml")));
        // Created in the harness's context, so that the style objects' ids resolve.
        QScopedPointer<QQuickItem> box(qobject_cast<QQuickItem *>(boxComponent.beginCreate(qmlContext(root.data()))));
        QVERIFY2(box, qPrintable(boxComponent.errorString()));
        box->setParentItem(root.data());
        boxComponent.completeCreate();
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        auto *list = box->findChild<QQuickItem *>(QStringLiteral("groupBoxList"));
        QVERIFY(list && list->isVisible());
        const QPointF row2 = list->mapToScene(QPointF(list->width() / 2, 36 * 2.5));
        g_messages.clear();
        QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, row2.toPoint());
        QCOMPARE(box->property("order").toStringList(),
                 QStringList({"itemSelected Third", "itemClicked 2 Third", "dropDownClicked"}));
        QVERIFY2(g_messages.contains(QStringLiteral("debug: Clicked Index : 2")), qPrintable(g_messages.join('\n')));
    }
};

QTEST_MAIN(TestQmlLoad)
#include "tst_qml_load.moc"
