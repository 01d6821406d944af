#pragma once

#include <QQmlComponent>

#include <memory>
#include <vector>

class QQmlEngine;
class ServiceContainer;

// Start-up's two registration steps, kept together so their order is visible in one place.
// Ready instances, then factories, in the order main relies on (the window first, the
// communication service, which loads the driver library, last). The window uses `engine` when
// given (not owned; it must outlive the window), else an engine of its own.
void registerServices(ServiceContainer &container, QQmlEngine *engine = nullptr);
// The QML types of the bridge, each under module URI = element name, version 1.0.
void registerQmlTypes();
// Imports the views' modules on this thread, then starts compiling Main.qml and the status page
// on the QML loader thread (a plugin imported there would wait for this thread to initialise
// it). What they load stays in the engine's cache while the returned components live.
std::vector<std::unique_ptr<QQmlComponent>> startLoadingViews(QQmlEngine &engine);
// Picks Qt Quick's software renderer where OpenGL would only be a software rasteriser, unless the
// environment names a renderer ("opengl" keeps OpenGL). Call before the first window exists.
void chooseSceneGraphBackend();
