#pragma once

class QQmlEngine;
class ServiceContainer;

// Start-up's two registration steps, kept together so their order is visible in one place.
// Ready instances, then factories, in the order main relies on (the window first, the
// communication service, which loads the driver library, last). The window uses `engine` when
// given (not owned; it must outlive the window), else an engine of its own.
void registerServices(ServiceContainer &container, QQmlEngine *engine = nullptr);
// The QML types of the bridge, each under module URI = element name, version 1.0.
void registerQmlTypes();
