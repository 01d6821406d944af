#include "app/AccessibleItems.h"
#include "app/AppConstants.h"
#include "app/AppLog.h"
#include "app/AppRegistrations.h"
#include "app/CommandLine.h"
#include "app/DesktopIntegration.h"
#include "app/DisplayScalingFactorCalculator.h"
#include "app/FirstFrameProbe.h"
#include "app/MovableWidget.h"
#include "app/Translations.h"
#include "app/TrayIcon.h"
#include "app/TrayResidence.h"
#include "app/UIService.h"
#include "core/LogFormat.h"
#include "core/ServiceContainer.h"
#include "platform/InstanceRaiser.h"
#include "platform/Memory.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSharedPointer>
#include <QThreadPool>
#include <QUrl>

#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char *argv[])
{
    int exitCode = 0;
    if (commandline::handle(argc, argv, &exitCode) == commandline::Outcome::Exit)
        return exitCode;
    installLogFormat();
    platform::limitRetainedMemory();

    // Single instance: decided before any Qt application object exists, so a second copy
    // creates no window and no tray icon.
    QLockFile lockFile(QStringLiteral("%1/%2.lock").arg(QDir::tempPath(), AppConstants::kLockFileName));
    if (!lockFile.tryLock(100)) {
        platform::raiseRunningInstance(AppConstants::kWindowTitle);
        return 0;
    }

    // The views, images and fonts are compiled into calder_app, a static library: its
    // resource initialiser is only linked in when something references it.
    Q_INIT_RESOURCE(calder_resources);

    QApplication app(argc, argv);
    translations::install(); // before any text is made: the tray's, the views'
    chooseSceneGraphBackend();
    platform::quitOnTerminationRequests();
    checkTrayAvailability();
    QCoreApplication::setOrganizationName(AppConstants::kOrganizationName);
    QCoreApplication::setApplicationName(AppConstants::kApplicationName);
    desktop::integrate();

    int result = 0;
    {
        // The window's engine, made first: the views compile on the QML loader thread while this
        // one sets up the window's graphics, the driver and the device. Declared before the
        // container, so it outlives the window.
        QQmlEngine engine;
        registerQmlTypes();
        const auto loadingViews = startLoadingViews(engine);
        installAccessibleItems(); // after the QtQuick module, which the loading has imported

        ServiceContainer container;
        ServiceContainer::setInstance(&container);
        registerServices(container, &engine);

        QSharedPointer<MovableWidget> window = container.resolve<MovableWidget>();
        window->setResizeMode(QQuickView::SizeViewToRootObject);
        window->setSource(QUrl(AppConstants::kMainView));
        window->setFlags(Qt::Window | Qt::FramelessWindowHint);
        // Fixed size; above 96 dpi the views grow with the density, and so must the window, also
        // when the density changes while it runs. Main.qml's calculator drives the views.
        const DisplayScalingFactorCalculator *calculator =
            window->rootObject() ? window->rootObject()->findChild<DisplayScalingFactorCalculator *>() : nullptr;
        window->keepFixedSize(calculator ? calculator : new DisplayScalingFactorCalculator(window.data()));
        window->setPosition(50, 50);
        window->setTitle(AppConstants::kWindowTitle);

        // setSource has built the top bar and the status page by now: the first frame shows them.
        installFirstFrameProbe(window.data());
        new TrayResidence(window.data(), container.resolve<UIService>());
        installTrayIcon(window.data());
        std::unique_ptr<QObject> raiseListener =
            platform::listenForRaiseRequests(window.data(), AppConstants::kWindowTitle);

        window->show();
        result = app.exec();

        // Shutdown order: the listener (it points at the window), the window reference, the
        // container's instances, its factories; then the application object and the lock.
        raiseListener.reset();
        window.reset();
        container.clearInstances();
        container.clearFactories();
    }
    // The service has waited, bounded, for the ducker meter's driver call. One still running
    // now ignores its driver's timeout, and the application object's teardown would wait for
    // it without a limit (it joins the global thread pool): leave without that teardown.
    if (!QThreadPool::globalInstance()->waitForDone(500)) {
        qCDebug(lcApp, ": A driver call is still running; leaving without waiting for it.\n");
        lockFile.unlock();
        std::fflush(nullptr);
        std::_Exit(result);
    }
    return result;
}
