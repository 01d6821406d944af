// The program's own objects without its process: the window's drag band and fixed size, the
// tray menu, the top bar and frame from Main.qml on the real services and simulated driver, and
// the translations.
#include "SimulatorControl.h"
#include "app/AppConstants.h"
#include "app/AppRegistrations.h"
#include "app/DisplayScalingFactorCalculator.h"
#include "app/MainTopBarVMWrapper.h"
#include "app/MovableWidget.h"
#include "app/Translations.h"
#include "app/TrayIcon.h"
#include "core/MessageBus.h"
#include "core/ServiceContainer.h"
#include "device/AsioInstanceRecord.h"
#include "device/LumenCommunicationService.h"
#include "viewmodels/ViewModelTexts.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QQuickItem>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <memory>

using namespace AppConstants;
using namespace ViewModelTexts;

namespace {
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

    // The fixed window holds the scaled root item whole.
    void scaleFactors()
    {
        const double cases[][5] = {
            // dpi, screen width and height, font scale, window scale
            {72, 1920, 1080, 4.0 / 3.0, 1.0}, // the window scale clamped
            {192, 1920, 1080, 0.5, 2.0},
            {96, 1080, 1920, 1.0, 1.0},
            {96, 1366, 768, 768.0 / 1080.0, 1.0}, // the short side decides
            {96, 1920, 1200, 1.0, 1.0},           // the long side decides
            {0, 1920, 1080, 1.0, 1.0},
        };
        for (const auto &c : cases) {
            const scaling::Factors f = scaling::compute(c[0], int(c[1]), int(c[2]));
            QVERIFY2(qAbs(f.fontScalingFactor - c[3]) < 1e-9, qPrintable(QString::number(f.fontScalingFactor)));
            QCOMPARE(f.scalingFactor, c[4]);
            QCOMPARE(scaling::fixedWindowSize(f.scalingFactor), QSize(qRound(800 * c[4]), qRound(500 * c[4])));
        }
    }

    void windowKeepsTheSizeOfThePrimaryScreensScale()
    {
        DisplayScalingFactorCalculator calc;
        MovableWidget w;
        w.keepFixedSize(&calc);
        const QSize fixed = scaling::fixedWindowSize(calc.scalingFactor());
        w.setMinimumSize(QSize(10, 10));
        w.setMaximumSize(QSize(10, 10));
        emit qApp->primaryScreenChanged(QGuiApplication::primaryScreen());
        QCOMPARE(w.minimumSize(), fixed);
        QCOMPARE(w.maximumSize(), fixed);
    }

    void trayIconAndMenu()
    {
        QWindow window;
        QSystemTrayIcon *icon = installTrayIcon(&window);
        QVERIFY(!icon->icon().pixmap(16, 16).isNull());     // the image exists under its resource path
        icon->contextMenu()->actions().value(0)->trigger(); // Show (Exit is used end to end)
        QVERIFY(window.isVisible());
        icon->hide();
    }

    // The whole frame as main loads it, through plugs and unplugs: each device set's tab labels,
    // each tab its share of the width, never past the bar. A tab click shows a new page with a
    // new view model and deletes the previous one.
    void frameTabsAndPages()
    {
        sim->reset("alto");
        ServiceContainer container;
        ServiceContainer::setInstance(&container); // as main builds it, minus the event loop
        registerServices(container);
        registerQmlTypes();
        const auto service = container.resolve<LumenCommunicationService>();
        {
            const QSharedPointer<MovableWidget> window = container.resolve<MovableWidget>();
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

            const auto checkTabs = [&](const QStringList &labels, double width) {
                QTRY_COMPARE(repeater->property("count").toInt(), labels.size());
                // The row places its children when the window next polishes.
                QTRY_VERIFY(labels.size() == 1 || tab(repeater, labels.size() - 1)->x() > 0);
                for (int i = 0; i < labels.size(); ++i) {
                    QQuickItem *t = tab(repeater, i);
                    QCOMPARE(t->property("pLabel").toString(), labels.at(i));
                    QVERIFY2(qAbs(t->width() - width) < 0.01, qPrintable(QString::number(t->width())));
                    QVERIFY(t->mapToItem(root, QPointF(t->width(), 0)).x() <= 800.01);
                }
            };
            const QStringList mixer{"Status", "Audio Routing", "Ducker", "Buffer Settings", "Info"};
            const QStringList status{"Status"}, other{"Status", "Buffer Settings", "Info"};
            const QStringList volume{"Status", "Volume", "Buffer Settings", "Info"};
            checkTabs(mixer, (800 - 4 * 15) / 5.0);
            QVERIFY(sim->unplug(0));
            checkTabs(status, 800 / 5.4);
            QVERIFY(sim->plug("v21") >= 0);
            checkTabs(volume, (800 - 3 * 15) / 4.0);
            QVERIFY(sim->plug("foreign") >= 0); // a mixer's id from another vendor
            checkTabs(status, 800 / 5.4);
            QVERIFY(sim->unplug(0));
            checkTabs(other, (800 - 2 * 15) / 3.0);
            QVERIFY(sim->unplug(0));
            checkTabs(status, 800 / 5.4);
            QVERIFY(sim->plug("unknown") >= 0); // a product id of no known model
            checkTabs(other, (800 - 2 * 15) / 3.0);
            QVERIFY(sim->unplug(0));
            QVERIFY(sim->plug("alto") >= 0);
            checkTabs(mixer, (800 - 4 * 15) / 5.0);

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
            QPointer<QObject> statusVM = pageViewModel();
            QCOMPARE(statusVM->metaObject()->className(), "StatusVM");
            clickTab(2);
            QTRY_VERIFY(statusVM.isNull());
            QTRY_VERIFY(pageViewModel());
            QCOMPARE(pageViewModel()->metaObject()->className(), "DuckerVM");
        }
        // Torn down, the top bar drops its bus subscription (cleanup() checks that) and leaves
        // no plug listener behind for the service to call.
        container.clearInstances();
        QCOMPARE(service->pnpEventListener(), nullptr);
    }

    // Under a translation of every text of the sources as "⟦text⟧" (made by the build), what the
    // pages, the tab bar and the tray show and what they tell assistive technology is bracketed:
    // a text left unwrapped shows bare. Only the mixers' own data and numbers stay as they are.
    void everyShownTextIsTranslated()
    {
        QTranslator pseudo;
        QVERIFY(pseudo.load(QStringLiteral(CALDER_TRANSLATIONS_DIR "/calder_pseudo.qm")));
        QCoreApplication::installTranslator(&pseudo);
        const QRegularExpression bracketed(QStringLiteral("⟦[^⟦⟧]*⟧")), separators(QStringLiteral("[:,/]"));
        const QRegularExpression data(QStringLiteral( // what the simulated driver reports, numbers and units
            "^(Lumen Audio|(Alto |Basso |(Lumen Audio )?Duo )?[ABD]-123|0x4C55|0x00[0-9A-F]{2}|(Input|Output) \\d+|"
            "[-+]?[\\d.]+ ?(dB|Hz|ms|s)?|)$"));
        QStringList bare;
        const std::function<void(QQuickItem *)> walk = [&](QQuickItem *item) {
            QStringList texts{item->inherits("QQuickText") ? item->property("text").toString() : QString()};
            for (QObject *child : item->children()) {
                if (child->inherits("QQuickAccessibleAttached"))
                    texts << child->property("name").toString() << child->property("description").toString();
            }
            for (QString text : texts) {
                while (text.contains(bracketed))
                    text.remove(bracketed);
                for (const QString &part : text.split(separators))
                    if (!data.match(part.trimmed()).hasMatch())
                        bare << item->metaObject()->className() + QStringLiteral(": ") + part;
            }
            for (QQuickItem *child : item->childItems())
                if (child->isVisible())
                    walk(child);
        };
        sim->reset("alto");
        ServiceContainer container;
        ServiceContainer::setInstance(&container);
        registerServices(container);
        registerQmlTypes();
        {
            const QSharedPointer<MovableWidget> window = container.resolve<MovableWidget>();
            window->setSource(QUrl(QStringLiteral("qrc:/UI/Qml/Main.qml")));
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.data()));
            auto *loader = window->rootObject()->findChild<QQuickItem *>("pageLoader");
            auto *repeater = window->rootObject()->findChild<QObject *>("tabRepeater");
            // Every page of a mixer, of a volume device, then the status page of two and of none.
            const QList<std::pair<std::function<bool()>, int>> steps{
                {[] { return true; }, 5},
                {[this] { return sim->unplug(0) && sim->plug("v21") >= 0; }, 4},
                {[this] { return sim->plug("basso") >= 0; }, 1},
                {[this] { return sim->unplug(0) && sim->unplug(0); }, 1}};
            for (const auto &[change, tabs] : steps) {
                QVERIFY(change());
                QTRY_COMPARE(repeater->property("count").toInt(), tabs);
                for (int i = 0; i < tabs; ++i) {
                    QQuickItem *t = tab(repeater, i);
                    QTest::mouseClick(window.data(), Qt::LeftButton, {}, t->mapToScene({5, 5}).toPoint());
                    QTRY_VERIFY(loader->property("item").value<QObject *>());
                    auto *vm = loader->property("item").value<QObject *>()->property("viewModel").value<QObject *>();
                    vm->setProperty("showWarning", true);    // the buffer warning, which only the page turns on
                    vm->setProperty("debugActivated", true); // the status page's debug readout
                    QTest::qWait(100);
                    walk(window->rootObject());
                }
            }
        }
        QWindow tray;
        QSystemTrayIcon *icon = installTrayIcon(&tray);
        QStringList trayTexts{icon->toolTip()};
        for (const QAction *action : icon->contextMenu()->actions())
            trayTexts << action->text();
        bare << trayTexts.filter(QRegularExpression(QStringLiteral("^[^⟦]")));
        icon->hide();
        // A buffer size picked from the translated list still reaches the driver as its number.
        QCOMPARE(AsioInstanceRecord::leadingBufferSize(AsioInstanceRecord::bufferSizeText(512)), 512u);
        container.clearInstances();
        bare.removeDuplicates();
        QVERIFY2(bare.isEmpty(), qPrintable(bare.join('\n')));
    }

    // A broken file is passed over for the next folder's; a language without a file leaves the
    // texts English.
    void translationFiles()
    {
        QTemporaryDir broken;
        QFile file(broken.filePath("calder_de.qm"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a translation") > 0);
        file.close();
        const QStringList folders{"/nonexistent", broken.path(), CALDER_TRANSLATIONS_DIR};
        const char *text = "Buffer Settings";
        QCOMPARE(translations::install(QLocale("ja_JP"), folders), QString());
        QCOMPARE(translations::install(QLocale("de_AT"), {broken.path()}), QString());
        QCOMPARE(QCoreApplication::translate("MainTopBarVM", text), QString(text));
        QCOMPARE(translations::install(QLocale("de_AT"), folders), QString("de"));
        QCOMPARE(QCoreApplication::translate("MainTopBarVM", text), QString("Puffereinstellungen"));
        qDeleteAll(qApp->findChildren<QTranslator *>());
    }

private:
    std::unique_ptr<SimulatorControl> sim;
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
