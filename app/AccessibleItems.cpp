#include "app/AccessibleItems.h"

#ifdef CALDER_ACCESSIBLE_ITEMS
#include <QAccessible>
#include <QQuickItem>
#include <private/qaccessiblequickitem_p.h>
#include <private/qquickitem_p.h>

namespace {
class AccessibleItem : public QAccessibleQuickItem
{
public:
    explicit AccessibleItem(QQuickItem *item)
        : QAccessibleQuickItem(item)
    {
        QObject::connect(item, &QQuickItem::enabledChanged, item, [item] {
            QAccessible::State changed;
            changed.disabled = true;
            QAccessibleStateChangeEvent event(item, changed);
            QAccessible::updateAccessibility(&event);
        });
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleQuickItem::state();
        state.disabled = !item()->isEnabled();
        return state;
    }
};

// Qt's own factory, for the items it would make an interface for.
QAccessibleInterface *itemFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("QQuickItem"))
        return nullptr;
    auto *item = qobject_cast<QQuickItem *>(object);
    if (!item || !QQuickItemPrivate::get(item)->isAccessible)
        return nullptr;
    return new AccessibleItem(item);
}
} // namespace

void installAccessibleItems()
{
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(&itemFactory);
    installed = true;
}
#else
void installAccessibleItems() {}
#endif
