#include "app/AppRegistrations.h"

#include "app/AppConstants.h"
#include "app/DisplayScalingFactorCalculator.h"
#include "app/KeyboardNavigation.h"
#include "app/MainTopBarVMWrapper.h"
#include "app/MovableWidget.h"
#include "app/ShellVMWrapper.h"
#include "app/UIService.h"
#include "core/AppCacheService.h"
#include "core/MessageBus.h"
#include "core/ServiceContainer.h"
#include "device/LumenCommunicationService.h"
#include "platform/Graphics.h"
#include "settings/ModelStores.h"
#include "viewmodels/MainTopBarVM.h"
#include "viewmodels/ShellVM.h"
#include "viewmodels/ViewModelTexts.h"
// Page view models and their wrappers: one include pair per page, in registration order.
// (StatusVM, AudioRoutingVM, DuckerVM, FormatVM, BufferSettingsVM, ClientInfoVM, InfoVM, VolumeVM)
#include "app/StatusVMWrapper.h"
#include "viewmodels/StatusVM.h"
#include "app/AudioRoutingVMWrapper.h"
#include "viewmodels/AudioRoutingVM.h"
#include "app/DuckerVMWrapper.h"
#include "viewmodels/DuckerVM.h"
#include "app/FormatVMWrapper.h"
#include "viewmodels/FormatVM.h"
#include "app/BufferSettingsVMWrapper.h"
#include "viewmodels/BufferSettingsVM.h"
#include "app/ClientInfoVMWrapper.h"
#include "viewmodels/ClientInfoVM.h"
#include "app/InfoVMWrapper.h"
#include "viewmodels/InfoVM.h"
#include "app/VolumeVMWrapper.h"
#include "viewmodels/VolumeVM.h"

#include <QMetaType>
#include <QQuickWindow>
#include <QtQml>

namespace {
// A page view model is made anew for every page instance, with the shared services.
template <typename VM>
void registerPageFactory(ServiceContainer &container)
{
    container.registerFactory<VM>([&container] {
        return new VM(container.resolve<LumenCommunicationService>(), container.resolve<MessageBus>());
    });
}

// QML reads the wrapper's pointer property, so the pointer type is registered by its class
// name followed by "*".
template <typename Wrapper, typename ViewModel>
void registerWrapper(const char *wrapperName, const char *viewModelPointerName)
{
    qRegisterMetaType<ViewModel *>(viewModelPointerName);
    qmlRegisterType<Wrapper>(wrapperName, 1, 0, wrapperName);
}
} // namespace

void registerServices(ServiceContainer &container, QQmlEngine *engine)
{
    container.registerInstance(engine ? new MovableWidget(engine) : new MovableWidget());
    container.registerInstance(new MessageBus());
    container.registerInstance(new ShellVM());
    container.registerInstance(new UIService(container.resolve<ShellVM>(), container.resolve<MovableWidget>().data()));
    container.registerInstance(new AppCacheService());
    container.registerInstance(new LumenCommunicationService(&ModelStores::create));

    container.registerFactory<MainTopBarVM>([&container] {
        return new MainTopBarVM(container.resolve<UIService>(), container.resolve<LumenCommunicationService>(),
                                container.resolve<MessageBus>());
    });
    // Page view model factories, in this order (one line each, added with the view model):
    registerPageFactory<StatusVM>(container);
    registerPageFactory<AudioRoutingVM>(container);
    // The pages the window builds again on a show without the person asking ask UIService.
    container.registerFactory<DuckerVM>([&container] {
        return new DuckerVM(container.resolve<LumenCommunicationService>(), container.resolve<MessageBus>(),
                            container.resolve<UIService>());
    });
    registerPageFactory<FormatVM>(container);
    registerPageFactory<BufferSettingsVM>(container);
    registerPageFactory<ClientInfoVM>(container);
    registerPageFactory<InfoVM>(container);
    container.registerFactory<VolumeVM>([&container] {
        return new VolumeVM(container.resolve<LumenCommunicationService>(), container.resolve<MessageBus>(),
                            container.resolve<UIService>(), container.resolve<AppCacheService>());
    });
}

void registerQmlTypes()
{
    qmlRegisterType<DisplayScalingFactorCalculator>("DisplayScalingFactorCalculator", 1, 0,
                                                    "DisplayScalingFactorCalculator");
    qmlRegisterType<KeyboardNavigation>("KeyboardNavigation", 1, 0, "KeyboardNavigation");
    registerWrapper<ShellVMWrapper, ShellVM>("ShellVMWrapper", "ShellVM*");
    registerWrapper<MainTopBarVMWrapper, MainTopBarVM>("MainTopBarVMWrapper", "MainTopBarVM*");
    // Page wrappers, in this order (one line each, added with the view model):
    registerWrapper<StatusVMWrapper, StatusVM>("StatusVMWrapper", "StatusVM*");
    registerWrapper<AudioRoutingVMWrapper, AudioRoutingVM>("AudioRoutingVMWrapper", "AudioRoutingVM*");
    registerWrapper<DuckerVMWrapper, DuckerVM>("DuckerVMWrapper", "DuckerVM*");
    registerWrapper<FormatVMWrapper, FormatVM>("FormatVMWrapper", "FormatVM*");
    registerWrapper<BufferSettingsVMWrapper, BufferSettingsVM>("BufferSettingsVMWrapper", "BufferSettingsVM*");
    registerWrapper<ClientInfoVMWrapper, ClientInfoVM>("ClientInfoVMWrapper", "ClientInfoVM*");
    registerWrapper<InfoVMWrapper, InfoVM>("InfoVMWrapper", "InfoVM*");
    registerWrapper<VolumeVMWrapper, VolumeVM>("VolumeVMWrapper", "VolumeVM*");
}

std::vector<std::unique_ptr<QQmlComponent>> startLoadingViews(QQmlEngine &engine)
{
    QQmlComponent imports(&engine);
    imports.setData("import QtQuick 2.5\nimport QtQuick.Window 2.2\nQtObject {}", QUrl());
    std::vector<std::unique_ptr<QQmlComponent>> loading;
    for (const QString &view : {AppConstants::kMainView, ViewModelTexts::kStatusView})
        loading.push_back(std::make_unique<QQmlComponent>(&engine, QUrl(view), QQmlComponent::Asynchronous));
    return loading;
}

void chooseSceneGraphBackend()
{
    // Qt 5 has no name for its default, OpenGL: take the one later versions use, rather than let
    // Qt look for a plugin of that name and complain.
    if (qgetenv("QT_QUICK_BACKEND") == "opengl") {
        qunsetenv("QT_QUICK_BACKEND");
        return;
    }
    if (qEnvironmentVariableIsSet("QT_QUICK_BACKEND") || qEnvironmentVariableIsSet("QMLSCENE_DEVICE"))
        return;
    // Without a GPU (virtual machines, remote desktops) OpenGL means llvmpipe, which loads LLVM,
    // compiles every shader and redraws the whole window for each meter reading. The software
    // renderer loads no GL driver and repaints only what changed.
    if (!platform::hasHardwareRenderer())
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
}
