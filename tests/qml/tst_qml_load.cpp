// The QML with the real bridge over the simulated Alto and Tenor: controls and pages created
// without a warning (the main window: tst_e2e's log check); the pages' bindings with their real view models.
#include "app/AppRegistrations.h"
#include "core/ServiceContainer.h"

#include <QDirIterator>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QtTest>

#include <cmath>
#include <tuple>

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

// The page area as Main.qml provides it (style objects by their global ids), loading the file under test.
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

// The first drawn item under `item` whose `property` (a text, an image's file name) is `value`.
QQuickItem *shown(QQuickItem *item, const char *property, const QString &value)
{
    for (QQuickItem *child : item->childItems()) {
        const QString v = child->property(property).toString();
        if (child->isVisible() && (v == value || v.endsWith('/' + value)))
            return child;
        if (QQuickItem *found = shown(child, property, value))
            return found;
    }
    return nullptr;
}

void click(QQuickView &view, QQuickItem *item)
{
    QVERIFY2(item, "nothing to click");
    QTest::mouseClick(&view, Qt::LeftButton, {},
                      item->mapToScene(QPointF(item->width(), item->height()) / 2).toPoint());
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

    // Controls and pages alone in the page area; the pieces in the pages' sub-folders come with their page.
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

    // The pages' bindings with their real view models, on two mixers of which none is picked yet:
    // states reached by clicks or set on the view model.
    void pageBindings()
    {
        QQuickView view;
        QScopedPointer<QQuickItem> root(createHarness(view));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *loader = root->findChild<QObject *>(QStringLiteral("loader"));
        QQuickItem *page = nullptr;
        QObject *vm = nullptr;
        const auto load = [&](const char *file) {
            loader->setProperty("source", QUrl(QStringLiteral("qrc:/UI/Qml/MasterViews/") + file));
            page = loader->property("item").value<QQuickItem *>();
            vm = page ? page->property("viewModel").value<QObject *>() : nullptr;
            return vm != nullptr;
        };
        const auto named = [&](const char *name) { return page->findChild<QQuickItem *>(name); };

        // Status: no rate box without a rate; the arrow turns while the list is open, and a click
        // on the background closes it; a pick shows the rate.
        QVERIFY(load("StatusMasterView.qml"));
        QQuickItem *box = named("deviceBox");
        const auto arrowTurn = [box] {
            QQuickItem *arrow = shown(box, "source", "Dropdown_Arrow.png");
            return arrow ? arrow->rotation() : -1;
        };
        QVERIFY(!shown(page, "text", "0 Hz"));
        click(view, shown(box, "text", "Please select a device"));
        const QStringList names = vm->property("deviceNames").toStringList();
        QVERIFY(shown(box, "text", names.value(1)));
        QCOMPARE(arrowTurn(), 180.0);
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(780, 394));
        QVERIFY(!vm->property("resetDropDown").toBool());
        QCOMPARE(arrowTurn(), 0.0);
        click(view, shown(box, "text", "Please select a device"));
        click(view, shown(box, "text", names.value(0)));
        QTRY_VERIFY(shown(page, "text", "48000 Hz"));
        QVERIFY(!named("debugReadout")->isVisible());
        const char *fields[] = {"id", "mux0", "mux1", "adc", "fx", "tempo", "constant"};
        for (int i = 0; i < 7; ++i)
            vm->setProperty(fields[i], QString::number(i + 1));
        vm->setProperty("debugActivated", true);
        QVERIFY(shown(named("debugReadout"), "text",
                      "Build:0626(FW>=1.05): ID:1, MUX0:2, MUX1:3, ADC:4, FX:5. Tempo:6 ms.7"));

        // Ducker meter: of its n bars, bar i is lit while i < n x |1 - reading / 90| (to two places),
        // the reading held to 0..90; off, the reading rests at 0dB and the bars go.
        QVERIFY(load("DuckerMasterView.qml"));
        const QList<QQuickItem *> bars = named("meterBars")->childItems();
        const int n = named("meter")->property("pCount").toInt();
        vm->setProperty("duckerOn", true);
        const QList<std::tuple<int, const char *, double>> readings{
            {30, "-30dB", 0.67}, {85, "-85dB", 0.06}, {120, "-90dB", 0}, {-5, "0dB", 1}};
        for (const auto &[reading, label, lit] : readings) {
            vm->setProperty("meterReading", reading);
            QCOMPARE(named("meterReading")->property("pReading").toString(), QString(label));
            QCOMPARE(std::count_if(bars.begin(), bars.end(),
                                   [](QQuickItem *b) {
                                       const QColor c = b->property("color").value<QColor>();
                                       return c.isValid() && c.alpha() == 255;
                                   }),
                     std::ptrdiff_t(std::ceil(n * lit)));
        }
        QVERIFY(named("meterBars")->isVisible());
        vm->setProperty("duckerOn", false);
        QCOMPARE(named("meterReading")->property("pReading").toString(), QString("0dB"));
        QVERIFY(!named("meterBars")->isVisible());

        // Volume: the master strip's reading follows the page (its mute look: tst_e2e).
        QVERIFY(load("VolumeMasterView.qml"));
        for (auto [name, value] :
             {std::pair{"isMasterVisible", 1}, {"minVolumeRange", -60}, {"maxVolumeRange", 0}, {"masterValue", -20}})
            vm->setProperty(name, value);
        QVERIFY(shown(named("masterStrip"), "text", "-20dB"));

        // Buffer settings: open lists close on a click beside the boxes (the routing page's: tst_e2e).
        QVERIFY(load("BufferSettingsMasterView.qml"));
        const QStringList flags{"resetInputFormatDropDown", "resetOutputFormatDropDown",
                                "resetUSBStreamingModeDropDown", "resetAsioBufferSizeDropDown"};
        for (const QString &flag : flags)
            vm->setProperty(qPrintable(flag), true);
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(780, 394));
        for (const QString &flag : flags)
            QVERIFY2(!vm->property(qPrintable(flag)).toBool(), qPrintable(flag));
        QVERIFY(!named("bufferWarning")->isVisible());
        vm->setProperty("showWarning", true);
        QVERIFY(named("bufferWarning")->isVisible());
        loader->setProperty("source", QUrl());
        QCOMPARE(problems(), QStringList());
    }
};

QTEST_MAIN(TestQmlLoad)
#include "tst_qml_load.moc"
