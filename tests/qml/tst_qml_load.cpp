// Every QML file of the resources with the real bridge and the simulated driver (one Alto):
// each compiles, and each control, page and the main window is created without a warning.
// Also the group box's row click, as the pages rely on it, log line included.
#include "app/AppRegistrations.h"
#include "core/ServiceContainer.h"
#include "viewmodels/ShellVM.h"

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
    g_messages << (type == QtDebugMsg || type == QtInfoMsg ? QStringLiteral("debug: ") : QStringLiteral("warning: ")) +
                      message;
    g_previous(type, context, message);
}

// Everything but debug lines, which the pages write on purpose.
QStringList problems() { return g_messages.filter(QRegularExpression(QStringLiteral("^warning: "))); }

// The page area as Main.qml provides it: the calculator and the style objects by their global
// ids, and a loader for the file under test.
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

QQuickItem *createHarness(QQuickView &view)
{
    QQmlComponent harness(view.engine());
    harness.setData(kHarness, QUrl(QStringLiteral("qrc:/UI/Qml/harness.qml")));
    auto *root = qobject_cast<QQuickItem *>(harness.create());
    if (root) {
        root->setParentItem(view.contentItem());
        view.resize(800, 414);
    }
    return root;
}

QStringList qmlFiles()
{
    QStringList files;
    QDirIterator it(QStringLiteral(":/UI/Qml"), {QStringLiteral("*.qml")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}
} // namespace

class TestQmlLoad : public QObject
{
    Q_OBJECT
    ServiceContainer m_container;

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
        QVERIFY(files.contains(QStringLiteral(":/UI/Qml/Shell/SplashScreen.qml"))); // sub-folders are walked
        QQmlEngine engine;
        for (const QString &file : files) {
            QQmlComponent component(&engine, QUrl(QLatin1String("qrc") + file));
            QVERIFY2(component.isReady(), qPrintable(component.errorString()));
        }
    }

    // The controls and the pages stand alone in the page area; pieces in the pages' sub-folders
    // expect their page around them and are only compiled.
    void standAloneFilesCreateCleanly_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString &file : qmlFiles()) {
            if (file.startsWith(QLatin1String(":/UI/Qml/CustomElements/")) ||
                (file.startsWith(QLatin1String(":/UI/Qml/MasterViews/")) && file.count(QLatin1Char('/')) == 4))
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
        loader->setProperty("source", QUrl(QLatin1String("qrc") + file));
        QCOMPARE(loader->property("status").toInt(), 1); // Loader.Ready
        view.show();
        QTest::qWait(50);                      // the first frame and any deferred binding
        loader->setProperty("source", QUrl()); // destruction must be clean too
        QCOMPARE(problems(), QStringList());
    }

    void mainWindow()
    {
        QQuickView view;
        view.setSource(QUrl(QStringLiteral("qrc:/UI/Qml/Main.qml")));
        QCOMPARE(view.status(), QQuickView::Ready);
        QQuickItem *root = view.rootObject();
        auto *loader = root->findChild<QQuickItem *>(QStringLiteral("pageLoader"));
        QVERIFY(loader);
        // The top bar's activation asks for the status page.
        QTRY_VERIFY(loader->property("item").value<QQuickItem *>());
        QCOMPARE(loader->property("source").toUrl(),
                 QUrl(QStringLiteral("qrc:/UI/Qml/MasterViews/StatusMasterView.qml")));
        QCOMPARE(problems(), QStringList());

        // An unknown page is logged and leaves the page area empty; the frame stays.
        m_container.resolve<ShellVM>()->setSelectedMasterView(QStringLiteral("qrc:/UI/Qml/MasterViews/NoSuchPage.qml"));
        QVERIFY(!loader->property("item").value<QQuickItem *>());
        QCOMPARE(problems().size(), 1);
        QVERIFY2(problems().first().contains(QLatin1String("NoSuchPage.qml")), qPrintable(problems().first()));
        QVERIFY(root->findChild<QQuickItem *>(QStringLiteral("mainTopBar"))->isVisible());
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
})",
                             QUrl(QStringLiteral("qrc:/UI/Qml/box.qml")));
        // Created in the harness's context, so that the style objects' ids resolve.
        QScopedPointer<QQuickItem> box(qobject_cast<QQuickItem *>(boxComponent.create(qmlContext(root.data()))));
        QVERIFY2(box, qPrintable(boxComponent.errorString()));
        box->setParentItem(root.data());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        auto *list = box->findChild<QQuickItem *>(QStringLiteral("groupBoxList"));
        const QPointF thirdRow = list->mapToScene(QPointF(list->width() / 2, 36 * 2.5));
        g_messages.clear();
        QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, thirdRow.toPoint());
        QCOMPARE(box->property("order").toStringList(),
                 QStringList({"itemSelected Third", "itemClicked 2 Third", "dropDownClicked"}));
        // The service may log meanwhile (its single-mixer reopen, 2 s after the start): only the
        // box's line counts.
        QCOMPARE(g_messages.filter("Clicked"), QStringList({"debug: Clicked Index : 2"}));
    }
};

QTEST_MAIN(TestQmlLoad)
#include "tst_qml_load.moc"
