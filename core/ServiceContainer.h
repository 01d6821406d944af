#pragma once
#include "core/Holder.h"

#include <QSharedPointer>

#include <functional>
#include <map>
#include <string>
#include <typeinfo>

// Type-keyed registry: ready instances (one shared object per type) and factories (a new
// object per resolve). Filled once at start-up on the GUI thread; takes no locks.
class ServiceContainer
{
public:
    using Factory = std::function<void *()>;

    ServiceContainer() = default;
    ~ServiceContainer();
    ServiceContainer(const ServiceContainer &) = delete;
    ServiceContainer &operator=(const ServiceContainer &) = delete;

    // The container the QML wrappers reach; set by main.
    static ServiceContainer *instance();
    static void setInstance(ServiceContainer *container);

    // Takes ownership of an object created without a parent; replaces an earlier instance of T.
    template <typename T>
    void registerInstance(T *object)
    {
        registerInstance<T>(QSharedPointer<T>(object));
    }

    template <typename T>
    void registerInstance(QSharedPointer<T> object)
    {
        m_instances[key<T>()] = QSharedPointer<IHolder>(new Holder<T>(std::move(object)));
    }

    template <typename T>
    void registerFactory(std::function<T *()> create)
    {
        m_factories[key<T>()] = [create]() -> void * { return create(); };
    }

    // A registered instance if there is one, else a new object from T's factory.
    // Throws std::bad_function_call when T has neither.
    template <typename T>
    QSharedPointer<T> resolve()
    {
        const std::string k = key<T>();
        const auto instance = m_instances.find(k);
        if (instance != m_instances.end()) {
            const auto holder = instance->second.template dynamicCast<Holder<T>>();
            return holder ? holder->object() : QSharedPointer<T>();
        }
        Factory create;
        const auto factory = m_factories.find(k);
        if (factory != m_factories.end())
            create = factory->second;
        return QSharedPointer<T>(static_cast<T *>(create()));
    }

    // Shutdown runs these in this order (the destructor does the same).
    void clearInstances() { m_instances.clear(); }
    void clearFactories() { m_factories.clear(); }

private:
    template <typename T>
    static std::string key()
    {
        return typeid(T).name();
    }

    std::map<std::string, QSharedPointer<IHolder>> m_instances;
    std::map<std::string, Factory> m_factories;
};
