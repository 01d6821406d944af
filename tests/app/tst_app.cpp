// The program's own objects without its process: the window's drag band and fixed size, the
// tray menu, and the tabs and pages of the real top bar, shell and services on the simulated
// driver (plug and unplug go through its events), up to the whole frame loaded from Main.qml.
#include "SimulatorControl.h"
#include "app/AppConstants.h"
#include "app/AppRegistrations.h"
#include "app/DisplayScalingFactorCalculator.h"
#include "app/MainTopBarVMWrapper.h"
#include "app/MovableWidget.h"
#include "app/TrayIcon.h"
#include "core/MessageBus.h"
#include "core/ServiceContainer.h"
#include "device/LumenCommunicationService.h"
#include "viewmodels/MainTopBarVM.h"
#include "viewmodels/ShellVM.h"
#include "viewmodels/ViewModelTexts.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QQuickItem>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QtTest>

#include <memory>

using namespace AppConstants;
using namespace ViewModelTexts;

namespace {
const QStringList kMixerTabs{"Status", "Audio Routing", "Ducker", "Buffer Settings", "Info"};
const QStringList kMixerUrls{kStatusView, kAudioRoutingView, kDuckerView, kBufferSettingsView, kInfoView};
const QStringList kOtherTabs{"Status", "Buffer Settings", "Info"};
const QStringList kStatusOnly{"Status"};

// Records the top bar's messages to the status page, in order.
class BusRecorder : public QObject
{
public:
    explicit BusRecorder(QSharedPointer<MessageBus> bus) : m_bus(std::move(bus))
    {
        m_bus->subscribe(this, &BusRecorder::onResetDropDown, kMsgResetDropDown);
        m_bus->subscribe(this, &BusRecorder::onResetState, kMsgResetState);
    }
    ~BusRecorder() override
    {
        // The bus table is process-wide: leave no subscription behind for the next test.
        m_bus->unsubscribe(this, &BusRecorder::onResetDropDown, kMsgResetDropDown);
        m_bus->unsubscribe(this, &BusRecorder::onResetState, kMsgResetState);
    }
    void onResetDropDown(QVariant) { messages << kMsgResetDropDown; }
    void onResetState(QVariant) { messages << kMsgResetState; }

    QStringList messages;

private:
    QSharedPointer<MessageBus> m_bus;
};

// What main builds, minus the event loop: every service and factory, the QML types.
struct Rig
{
    Rig()
    {
        ServiceContainer::setInstance(&container);
        registerServices(container);
        registerQmlTypes();
        service = container.resolve<LumenCommunicationService>();
        shell = container.resolve<ShellVM>();
        bus = container.resolve<MessageBus>();
        recorder = std::make_unique<BusRecorder>(bus);
    }
    MainTopBarVM &makeTopBar()
    {
        topBar = container.resolve<MainTopBarVM>();
        return *topBar;
    }
    QStringList tabs() const { return topBar->menuList()->stringList(); }

    // Destroyed in reverse: the recorder and the test's references before the container.
    ServiceContainer container;
    QSharedPointer<LumenCommunicationService> service;
    QSharedPointer<ShellVM> shell;
    QSharedPointer<MessageBus> bus;
    QSharedPointer<MainTopBarVM> topBar;
    std::unique_ptr<BusRecorder> recorder;
};

// Puts the cursor at a global point and sends the window the matching mouse event.
void mouse(MovableWidget &w, QEvent::Type type, QPoint global, Qt::MouseButtons buttons,
           Qt::MouseButton button = Qt::NoButton)
{
    QCursor::setPos(global);
    QMouseEvent event(type, global - w.position(), global, button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

QQuickItem *tab(QObject *repeater, int index)
{
    QQuickItem *item = nullptr;
    QMetaObject::invokeMethod(repeater, "itemAt", Q_RETURN_ARG(QQuickItem *, item), Q_ARG(int, index));
    return item;
}
} // namespace

class TestApp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(kOrganizationName);
        QCoreApplication::setApplicationName(kApplicationName);
        Q_INIT_RESOURCE(calder_resources);
        sim = std::make_unique<SimulatorControl>();
        QVERIFY2(sim->isValid(), qPrintable(sim->errorString()));
    }

    void init() { QSettings().clear(); }

    void cleanup() { QCOMPARE(MessageBus::lookup(kMsgConnected), nullptr); }

    // ---- Window ------------------------------------------------------------------------------

    void dragMovesOnlyWithTheLeftButtonInTheTopBand()
    {
        MovableWidget w;
        w.setPosition(100, 100);
        w.resize(800, 500);
        mouse(w, QEvent::MouseButtonPress, {300, 120}, Qt::LeftButton, Qt::LeftButton);
        mouse(w, QEvent::MouseMove, {330, 130}, Qt::LeftButton);
        QCOMPARE(w.position(), QPoint(130, 110));
        // The band reaches 50 pixels below the window's top edge, inclusive.
        mouse(w, QEvent::MouseMove, {330, 160}, Qt::LeftButton);
        QCOMPARE(w.position(), QPoint(130, 140));
        mouse(w, QEvent::MouseMove, {330, 191}, Qt::LeftButton);
        QCOMPARE(w.position(), QPoint(130, 140));
        // Entering the band again moves by this step only, not by the way travelled below it.
        mouse(w, QEvent::MouseMove, {350, 240}, Qt::LeftButton);
        mouse(w, QEvent::MouseMove, {352, 185}, Qt::LeftButton);
        QCOMPARE(w.position(), QPoint(132, 85));
        mouse(w, QEvent::MouseButtonRelease, {352, 185}, Qt::NoButton, Qt::LeftButton);
        mouse(w, QEvent::MouseMove, {330, 100}, Qt::NoButton);
        QCOMPARE(w.position(), QPoint(132, 85));

        mouse(w, QEvent::MouseButtonPress, {200, 100}, Qt::RightButton, Qt::RightButton);
        mouse(w, QEvent::MouseMove, {240, 110}, Qt::RightButton);
        mouse(w, QEvent::MouseMove, {280, 120}, Qt::LeftButton | Qt::RightButton);
        QCOMPARE(w.position(), QPoint(132, 85));
    }

    void scaleFactors_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("font");
        QTest::addColumn<double>("scale");
        QTest::newRow("reference") << 96.0 << 1920 << 1080 << 1.0 << 1.0;
        QTest::newRow("72 dpi clamps the window scale") << 72.0 << 1920 << 1080 << 4.0 / 3.0 << 1.0;
        QTest::newRow("192 dpi") << 192.0 << 1920 << 1080 << 0.5 << 2.0;
        QTest::newRow("2560x1440") << 96.0 << 2560 << 1440 << 4.0 / 3.0 << 1.0;
        QTest::newRow("portrait") << 96.0 << 1080 << 1920 << 1.0 << 1.0;
        QTest::newRow("1366x768: the short side decides") << 96.0 << 1366 << 768 << 768.0 / 1080.0 << 1.0;
        QTest::newRow("1920x1200: the long side decides") << 96.0 << 1920 << 1200 << 1.0 << 1.0;
        QTest::newRow("dpi 0") << 0.0 << 1920 << 1080 << 1.0 << 1.0;
    }

    void scaleFactors()
    {
        QFETCH(double, dpi);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, font);
        QFETCH(double, scale);
        const scaling::Factors f = scaling::compute(dpi, width, height);
        QVERIFY2(qAbs(f.fontScalingFactor - font) < 1e-9, qPrintable(QString::number(f.fontScalingFactor)));
        QCOMPARE(f.scalingFactor, scale);
        // The fixed window holds the scaled root item whole.
        QCOMPARE(scaling::fixedWindowSize(f.scalingFactor), QSize(qRound(800 * scale), qRound(500 * scale)));
    }

    void windowKeepsTheSizeOfThePrimaryScreensScale()
    {
        DisplayScalingFactorCalculator calc;
        const QScreen *screen = QGuiApplication::primaryScreen();
        QCOMPARE(calc.scalingFactor(),
                 scaling::compute(screen->logicalDotsPerInch(), screen->geometry().width(), screen->geometry().height())
                     .scalingFactor);
        MovableWidget w;
        w.keepFixedSize(&calc);
        const QSize fixed = scaling::fixedWindowSize(calc.scalingFactor());
        w.setMinimumSize(QSize(10, 10));
        w.setMaximumSize(QSize(10, 10));
        emit qApp->primaryScreenChanged(QGuiApplication::primaryScreen());
        QCOMPARE(w.minimumSize(), fixed);
        QCOMPARE(w.maximumSize(), fixed);
    }

    void trayMenuShowsAndExits()
    {
        QWindow window;
        QSystemTrayIcon *icon = installTrayIcon(&window);
        QCOMPARE(icon->toolTip(), QStringLiteral("Calder USB Audio Control Panel"));
        QVERIFY(!icon->icon().pixmap(16, 16).isNull()); // the image exists under its resource path
        const QList<QAction *> actions = icon->contextMenu()->actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions.at(0)->text(), QStringLiteral("&Show"));
        QCOMPARE(actions.at(1)->text(), QStringLiteral("&Exit"));
        actions.at(0)->trigger();
        QVERIFY(window.isVisible());
        window.hide();
        emit icon->activated(QSystemTrayIcon::Context); // any click shows the window
        QVERIFY(window.isVisible());
        QTimer::singleShot(0, actions.at(1), &QAction::trigger);
        QCOMPARE(QCoreApplication::exec(), 0); // "&Exit" ends the event loop
        icon->hide();
    }

    // ---- Tabs and pages ----------------------------------------------------------------------

    void tabSetAtStart_data()
    {
        QTest::addColumn<QString>("devices");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<QStringList>("urls");
        QTest::newRow("none") << "" << kStatusOnly << QStringList{kStatusView};
        QTest::newRow("alto") << "alto" << kMixerTabs << kMixerUrls;
        QTest::newRow("0x21") << "v21" << QStringList{"Status", "Volume", "Buffer Settings", "Info"}
                              << QStringList{kStatusView, kVolumeView, kBufferSettingsView, kInfoView};
        QTest::newRow("unknown id") << "unknown" << kOtherTabs
                                    << QStringList{kStatusView, kBufferSettingsView, kInfoView};
        QTest::newRow("mixer id, other vendor")
            << "foreign" << kOtherTabs << QStringList{kStatusView, kBufferSettingsView, kInfoView};
        QTest::newRow("two mixers") << "alto,tenor" << kStatusOnly << QStringList{kStatusView};
    }

    void tabSetAtStart()
    {
        QFETCH(QString, devices);
        QFETCH(QStringList, tabs);
        QFETCH(QStringList, urls);
        sim->reset(devices);
        Rig rig;
        MainTopBarVM &bar = rig.makeTopBar();
        QCOMPARE(rig.tabs(), tabs);
        QCOMPARE(bar.pageUrls(), urls);
    }

    void pluggingTheOnlyMixerResetsToItsStatusPage()
    {
        sim->reset(QString(""));
        {
            Rig rig;
            MainTopBarVM &bar = rig.makeTopBar();
            bar.setCurrentPageIndex(3); // stale values the plug must reset
            rig.shell->setSelectedMasterView(kInfoView);
            QVERIFY(sim->plug("alto") >= 0);
            QTRY_COMPARE(rig.tabs(), kMixerTabs);
            QCOMPARE(rig.recorder->messages, QStringList{kMsgResetDropDown});
            QCOMPARE(rig.shell->selectedMasterView(), kStatusView);
            QCOMPARE(bar.currentPageIndex(), 0);
            QVERIFY(rig.service->deviceName().startsWith("Alto"));
        }
        // A plug whose open fails shows no device tabs.
        sim->reset(QString(""));
        Rig rig;
        QSignalSpy menuSpy(&rig.makeTopBar(), &MainTopBarVM::menuListChanged);
        sim->setFault("RegisterDeviceNotification", 0xEE000005u);
        QVERIFY(sim->plug("alto") >= 0);
        QTRY_COMPARE(menuSpy.count(), 1);
        sim->clearFaults();
        QCOMPARE(rig.tabs(), kStatusOnly);
        QVERIFY(!rig.service->deviceHandle());
    }

    void countedButUnlistedDeviceStopsBeforeThePageReset()
    {
        // A device in USB mode 1 is counted by the driver but never named: with a count of 1
        // and no name there is nothing to open, so tabs, page and index stay as they were.
        sim->reset(QString(""));
        Rig rig;
        MainTopBarVM &bar = rig.makeTopBar();
        bar.setCurrentPageIndex(2);
        rig.shell->setSelectedMasterView(kInfoView);
        QSignalSpy menuSpy(&bar, &MainTopBarVM::menuListChanged);
        QVERIFY(sim->plug("usbmode1") >= 0);
        QTRY_COMPARE(rig.recorder->messages, QStringList{kMsgResetDropDown});
        QCOMPARE(rig.service->deviceCount(), 1u);
        QCOMPARE(rig.tabs(), kStatusOnly);
        QCOMPARE(menuSpy.count(), 0);
        QCOMPARE(bar.currentPageIndex(), 2);
        QCOMPARE(rig.shell->selectedMasterView(), kInfoView);
    }

    void connectionMessagesShrinkAndRestoreTheTabs()
    {
        sim->reset("tenor");
        Rig rig;
        MainTopBarVM &bar = rig.makeTopBar();
        rig.bus->publish(false, kMsgConnected); // before activation nobody listens
        QCOMPARE(rig.tabs(), kMixerTabs);

        bar.onActivate();
        bar.menuSelected(2);
        rig.bus->publish(false, kMsgConnected);
        QCOMPARE(rig.tabs(), kStatusOnly);
        QCOMPARE(rig.shell->selectedMasterView(), kStatusView);
        QCOMPARE(bar.currentPageIndex(), 0);
        // Reconnected: the model's tabs come back; page and index stay.
        rig.bus->publish(true, kMsgConnected);
        QCOMPARE(rig.tabs(), kMixerTabs);
        QCOMPARE(rig.shell->selectedMasterView(), kStatusView);

        // Outside the URL list a selection is ignored.
        bar.menuSelected(4);
        bar.menuSelected(5);
        bar.menuSelected(-1);
        QCOMPARE(bar.currentPageIndex(), 4);
        QCOMPARE(rig.shell->selectedMasterView(), kInfoView);

        QVERIFY(bar.onDeactivate());
        rig.bus->publish(false, kMsgConnected);
        QCOMPARE(rig.tabs(), kMixerTabs);
    }

    void destroyedTopBarGetsNoMorePlugCalls()
    {
        sim->reset("alto");
        Rig rig;
        rig.makeTopBar();
        rig.topBar.reset();
        QCOMPARE(rig.service->pnpEventListener(), nullptr);
        QVERIFY(sim->unplug(0));
        QTest::qWait(200);
        QCOMPARE(rig.recorder->messages, QStringList());
    }

    // The whole frame as main loads it. Tabs take their share of the width but never run past
    // the bar; a tab click shows a new page with a new view model and deletes the previous
    // one; the ribbon's close button hides the window.
    void frameTabsPagesAndClose()
    {
        sim->reset("alto");
        Rig rig;
        {
            const QSharedPointer<MovableWidget> window = rig.container.resolve<MovableWidget>();
            window->setResizeMode(QQuickView::SizeViewToRootObject);
            window->setSource(QUrl(QStringLiteral("qrc:/UI/Qml/Main.qml")));
            QVERIFY(window->status() == QQuickView::Ready);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.data()));
            QQuickItem *root = window->rootObject();
            QCOMPARE(root->width(), 800.0);
            auto *loader = root->findChild<QQuickItem *>("pageLoader");
            auto *repeater = root->findChild<QObject *>("tabRepeater");
            QVERIFY(loader && repeater && root->findChild<MainTopBarVMWrapper *>());
            QVERIFY(MessageBus::lookup(kMsgConnected)); // the top bar's QML activated it

            const auto checkWidths = [&](int count, double width) {
                QTRY_COMPARE(repeater->property("count").toInt(), count);
                // The row places its children when the window next polishes.
                QTRY_VERIFY(count == 1 || tab(repeater, count - 1)->x() > 0);
                for (int i = 0; i < count; ++i) {
                    QQuickItem *t = tab(repeater, i);
                    QVERIFY(t);
                    QVERIFY2(qAbs(t->width() - width) < 0.01, qPrintable(QString::number(t->width())));
                    QVERIFY(t->mapToItem(root, QPointF(t->width(), 0)).x() <= 800.01);
                }
            };
            checkWidths(5, (800 - 4 * 15) / 5.0);
            QVERIFY(sim->unplug(0));
            checkWidths(1, 800 / 5.4);
            QVERIFY(sim->plug("v21") >= 0);
            checkWidths(4, (800 - 3 * 15) / 4.0);
            QVERIFY(sim->plug("foreign") >= 0);
            checkWidths(1, 800 / 5.4);
            QVERIFY(sim->unplug(0));
            checkWidths(3, (800 - 2 * 15) / 3.0);
            QVERIFY(sim->unplug(0));
            QVERIFY(sim->plug("alto") >= 0);
            checkWidths(5, (800 - 4 * 15) / 5.0);

            const auto pageViewModel = [loader]() -> QObject * {
                auto *page = loader->property("item").value<QObject *>();
                return page ? page->property("viewModel").value<QObject *>() : nullptr;
            };
            const auto clickTab = [&](int index) {
                QQuickItem *t = tab(repeater, index);
                QTest::mouseClick(window.data(), Qt::LeftButton, Qt::NoModifier,
                                  t->mapToScene(QPointF(t->width() / 2, t->height() / 2)).toPoint());
            };
            QTRY_VERIFY(pageViewModel());
            QPointer<QObject> status = pageViewModel();
            QCOMPARE(status->metaObject()->className(), "StatusVM");
            clickTab(2);
            QTRY_VERIFY(status.isNull());
            QTRY_VERIFY(pageViewModel());
            QCOMPARE(pageViewModel()->metaObject()->className(), "DuckerVM");
            QVERIFY(tab(repeater, 2)->property("pActive").toBool());
            QVERIFY(!tab(repeater, 0)->property("pActive").toBool());
            QPointer<QObject> ducker = pageViewModel();
            clickTab(0);
            QTRY_VERIFY(ducker.isNull());
            QTRY_VERIFY(pageViewModel());
            QCOMPARE(pageViewModel()->metaObject()->className(), "StatusVM");

            QTest::mouseClick(window.data(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 25));
            QVERIFY(window->isVisible());
            auto *close = root->findChild<QQuickItem *>("closeArea");
            QTest::mouseClick(window.data(), Qt::LeftButton, Qt::NoModifier,
                              close->mapToScene(QPointF(close->width() / 2, close->height() / 2)).toPoint());
            QTRY_VERIFY(!window->isVisible());
        }
        // Tearing the frame down deactivates the top bar, which drops its subscription
        // (cleanup() checks that).
        rig.container.clearInstances();
    }

private:
    std::unique_ptr<SimulatorControl> sim;
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
