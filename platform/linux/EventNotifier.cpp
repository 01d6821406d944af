#include "platform/EventNotifier.h"

#include "platform/Event.h"

#include <QSocketNotifier>

#include <climits>
#include <cstdint>

class EventNotifier::Private
{
public:
    QSocketNotifier *notifier = nullptr;
};

EventNotifier::EventNotifier(HANDLE event, QObject *parent) : QObject(parent), m_event(event), d(new Private)
{
    const intptr_t fd = reinterpret_cast<intptr_t>(event);
    if (fd <= 0 || fd > INT_MAX)
        return;
    d->notifier = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        // One read drains the counter: every signal so far becomes this one activation.
        if (platform::consumeEvent(m_event))
            emit activated(m_event);
    });
}

EventNotifier::~EventNotifier()
{
    delete d->notifier;
    delete d;
}

bool EventNotifier::isEnabled() const { return d->notifier && d->notifier->isEnabled(); }

void EventNotifier::setEnabled(bool enabled)
{
    if (d->notifier)
        d->notifier->setEnabled(enabled);
}
