#pragma once

class ServiceContainer;

// Start-up's two registration steps, kept together so their order is visible in one place.
// Ready instances, then factories, in the order main relies on (the window first, the
// communication service, which loads the driver library, last).
void registerServices(ServiceContainer &container);
// The QML types of the bridge, each under module URI = element name, version 1.0.
void registerQmlTypes();
