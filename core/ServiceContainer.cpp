#include "core/ServiceContainer.h"

namespace {
ServiceContainer *g_container = nullptr;
}

ServiceContainer::~ServiceContainer()
{
    // Instances first: their objects may still call resolve() while they go.
    clearInstances();
    clearFactories();
    if (g_container == this)
        g_container = nullptr;
}

ServiceContainer *ServiceContainer::instance() { return g_container; }

void ServiceContainer::setInstance(ServiceContainer *container) { g_container = container; }
