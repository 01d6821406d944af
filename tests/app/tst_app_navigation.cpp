// Tabs and pages: the top bar, shell and UI service with the real registrations, the real
// communication service and the simulated driver (plug and unplug go through its events).
#include "SimulatorControl.h"
#include "app/AppConstants.h"
#include "viewmodels/ViewModelTexts.h"
#include "app/AppRegistrations.h"
#include "viewmodels/MainTopBarVM.h"
#include "app/MainTopBarVMWrapper.h"
#include "core/MessageBus.h"
#include "app/MovableWidget.h"
#include "core/ServiceContainer.h"
#include "viewmodels/ShellVM.h"
#include "device/LumenCommunicationService.h"

#include <QQuickItem>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace AppConstants;
using namespace ViewModelTexts;

namespace {
const QStringList kMixerTabs{"Status", "Audio Routing", "Ducker", "Buffer Settings", "Info"};
const QStringList kMixerUrls{kStatusView, kAudioRoutingView, kDuckerView, kBufferSettingsView, kInfoView};
const QStringList kVolumeTabs{"Status", "Volume", "Buffer Settings", "Info"};
const QStringList kVolumeUrls{kStatusView, kVolumeView, kBufferSettingsView, kInfoView};
const QStringList kOtherTabs{"Status", "Buffer Settings", "Info"};
const QStringList kOtherUrls{kStatusView, kBufferSettingsView, kInfoView};
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
    void onResetDropDown(QVariant v) { messages << kMsgResetDropDown + (v.toBool() ? "" : "=false"); }
    void onResetState(QVariant v) { messages << kMsgResetState + (v.toBool() ? "" : "=false"); }

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
} // namespace

class TestAppNavigation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(kOrganizationName);
        QCoreApplication::setApplicationName(kApplicationName);
        sim = std::make_unique<SimulatorControl>();
        QVERIFY2(sim->isValid(), qPrintable(sim->errorString()));
    }

    void init() { QSettings().clear(); }

    void cleanup() { QCOMPARE(MessageBus::lookup(kMsgConnected), nullptr); }

    void tabSetAtStart_data()
    {
        QTest::addColumn<QString>("devices");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<QStringList>("urls");
        QTest::newRow("none") << "" << kStatusOnly << QStringList{kStatusView};
        QTest::newRow("alto") << "alto" << kMixerTabs << kMixerUrls;
        QTest::newRow("0x21") << "v21" << kVolumeTabs << kVolumeUrls;
        QTest::newRow("unknown id") << "unknown" << kOtherTabs << kOtherUrls;
        QTest::newRow("mixer id, other vendor") << "foreign" << kOtherTabs << kOtherUrls;
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

    void pluggingTheOnlyMixerConnectsAndShowsItsTabs()
    {
        sim->reset(QString(""));
        Rig rig;
        MainTopBarVM &bar = rig.makeTopBar();
        bar.setCurrentPageIndex(3); // stale values the plug must reset
        rig.shell->setSelectedMasterView(kInfoView);
        QSignalSpy menuSpy(&bar, &MainTopBarVM::menuListChanged);
        QSignalSpy indexSpy(&bar, &MainTopBarVM::currentPageIndexChanged);

        QVERIFY(sim->plug("alto") >= 0);
        QTRY_COMPARE(rig.tabs(), kMixerTabs);
        QCOMPARE(bar.pageUrls(), kMixerUrls);
        QCOMPARE(rig.recorder->messages, QStringList{kMsgResetDropDown});
        QCOMPARE(rig.shell->selectedMasterView(), kStatusView);
        QCOMPARE(bar.currentPageIndex(), 0);
        QCOMPARE(indexSpy.count(), 1);
        QCOMPARE(menuSpy.count(), 1);
        QVERIFY(rig.service->deviceHandle());
        QVERIFY(rig.service->deviceName().startsWith("Alto"));
    }

    void failedOpenOnPlugShowsNoDeviceTabs()
    {
        sim->reset(QString(""));
        Rig rig;
        MainTopBarVM &bar = rig.makeTopBar();
        QSignalSpy menuSpy(&bar, &MainTopBarVM::menuListChanged);
        sim->setFault("RegisterDeviceNotification", 0xEE000005u);
        QVERIFY(sim->plug("alto") >= 0);
        QTRY_COMPARE(menuSpy.count(), 1);
        QCOMPARE(rig.tabs(), kStatusOnly);
        QVERIFY(!rig.service->deviceHandle());
    }

    void plugAndUnplugWithTwoMixers()
    {
        sim->reset("v21");
        Rig rig;
        MainTopBarVM &bar = rig.makeTopBar();
        bar.menuSelected(1);

        // Two devices: the user chooses on the status page; arrival never means "ResetState".
        QVERIFY(sim->plug("alto") >= 0);
        QTRY_COMPARE(rig.tabs(), kStatusOnly);
        QCOMPARE(rig.recorder->messages, QStringList{kMsgResetDropDown});
        QCOMPARE(rig.shell->selectedMasterView(), kStatusView);
        QCOMPARE(bar.currentPageIndex(), 0);

        // Unplugging the 0x21 device leaves the Alto, which is opened at once.
        QVERIFY(sim->unplug(0));
        QTRY_COMPARE(rig.tabs(), kMixerTabs);
        QCOMPARE(rig.recorder->messages.size(), 2);
        QCOMPARE(rig.service->productId(), 0x30u);
        QVERIFY(rig.service->deviceName().startsWith("Alto"));
        QCOMPARE(sim->openHandleCount(0), 1);

        // Unplugging the last one resets the status page.
        bar.menuSelected(2);
        rig.recorder->messages.clear();
        QVERIFY(sim->unplug(0));
        QTRY_COMPARE(rig.tabs(), kStatusOnly);
        QCOMPARE(rig.recorder->messages, (QStringList{kMsgResetDropDown, kMsgResetState}));
        QCOMPARE(rig.shell->selectedMasterView(), kStatusView);
        QCOMPARE(bar.currentPageIndex(), 0);
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
        QVERIFY(rig.service->deviceNames().isEmpty());
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
        QCOMPARE(MessageBus::lookup(kMsgConnected), nullptr);

        bar.onActivate();
        bar.menuSelected(2);
        QSignalSpy indexSpy(&bar, &MainTopBarVM::currentPageIndexChanged);
        QSignalSpy pageSpy(rig.shell.data(), &ShellVM::selectedMasterViewChanged);
        rig.bus->publish(false, kMsgConnected);
        QCOMPARE(rig.tabs(), kStatusOnly);
        QCOMPARE(rig.shell->selectedMasterView(), kStatusView);
        QCOMPARE(bar.currentPageIndex(), 0);
        QCOMPARE(indexSpy.count(), 1);

        // Reconnected: the model's tabs come back; page and index stay.
        rig.bus->publish(true, kMsgConnected);
        QCOMPARE(rig.tabs(), kMixerTabs);
        QCOMPARE(rig.shell->selectedMasterView(), kStatusView);
        QCOMPARE(indexSpy.count(), 1);
        QCOMPARE(pageSpy.count(), 1);

        QVERIFY(bar.onDeactivate());
        QCOMPARE(MessageBus::lookup(kMsgConnected), nullptr);
        rig.bus->publish(false, kMsgConnected);
        QCOMPARE(rig.tabs(), kMixerTabs);
    }

    void selectingTabsAndClosing()
    {
        sim->reset("alto");
        Rig rig;
        MainTopBarVM &bar = rig.makeTopBar();
        QSignalSpy indexSpy(&bar, &MainTopBarVM::currentPageIndexChanged);
        QSignalSpy pageSpy(rig.shell.data(), &ShellVM::selectedMasterViewChanged);

        bar.menuSelected(4);
        QCOMPARE(bar.currentPageIndex(), 4);
        QCOMPARE(pageSpy.count(), 1);
        QCOMPARE(pageSpy.at(0).at(0).toString(), kInfoView);
        // The current tab again: no index change, and the same URL changes nothing.
        bar.menuSelected(4);
        QCOMPARE(indexSpy.count(), 1);
        QCOMPARE(pageSpy.count(), 1);
        // Outside the URL list: ignored.
        bar.menuSelected(5);
        bar.menuSelected(-1);
        QCOMPARE(bar.currentPageIndex(), 4);
        QCOMPARE(rig.shell->selectedMasterView(), kInfoView);

        // The ribbon's close button only hides the window.
        const QSharedPointer<MovableWidget> window = rig.container.resolve<MovableWidget>();
        window->show();
        bar.closeApplication();
        QVERIFY(!window->isVisible());
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

    void framePagesComeAndGoWithTheirViewModels()
    {
        // The whole frame as main loads it: every page the shell names is a new page with a
        // new view model, and the previous one is deleted with its page.
        sim->reset("alto");
        Q_INIT_RESOURCE(calder_resources);
        Rig rig;
        {
            const QSharedPointer<MovableWidget> window = rig.container.resolve<MovableWidget>();
            window->setResizeMode(QQuickView::SizeViewToRootObject);
            window->setSource(QUrl(QStringLiteral("qrc:/UI/Qml/Main.qml")));
            QStringList errors;
            for (const QQmlError &e : window->errors())
                errors << e.toString();
            QVERIFY2(window->status() == QQuickView::Ready, qPrintable(errors.join('\n')));
            auto *loader = window->rootObject()->findChild<QQuickItem *>("pageLoader");
            auto *topBarWrapper = window->rootObject()->findChild<MainTopBarVMWrapper *>();
            QVERIFY(loader && topBarWrapper);
            MainTopBarVM *bar = topBarWrapper->mainTopBarVM();
            QCOMPARE(rig.shell->selectedMasterView(), kStatusView);
            QCOMPARE(bar->menuList()->stringList(), kMixerTabs);
            QVERIFY(MessageBus::lookup(kMsgConnected)); // the top bar's QML activated it

            const auto pageViewModel = [loader]() -> QObject * {
                auto *page = loader->property("item").value<QObject *>();
                return page ? page->property("viewModel").value<QObject *>() : nullptr;
            };
            QTRY_VERIFY(pageViewModel());
            QPointer<QObject> firstStatus = pageViewModel();
            QCOMPARE(firstStatus->metaObject()->className(), "StatusVM");

            bar->menuSelected(2);
            QTRY_VERIFY(firstStatus.isNull());
            QTRY_VERIFY(pageViewModel());
            QCOMPARE(pageViewModel()->metaObject()->className(), "DuckerVM");
            QPointer<QObject> ducker = pageViewModel();

            bar->menuSelected(0);
            QTRY_VERIFY(ducker.isNull());
            QTRY_VERIFY(pageViewModel());
            QCOMPARE(pageViewModel()->metaObject()->className(), "StatusVM");
        }
        // Tearing the frame down deactivates the top bar, which drops its subscription
        // (cleanup() checks that).
        rig.container.clearInstances();
    }

private:
    std::unique_ptr<SimulatorControl> sim;
};

QTEST_MAIN(TestAppNavigation)
#include "tst_app_navigation.moc"
