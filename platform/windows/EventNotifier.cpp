#include "platform/EventNotifier.h"

#include <QWinEventNotifier>

class EventNotifier::Private
{
public:
    QWinEventNotifier *notifier = nullptr;
};

EventNotifier::EventNotifier(HANDLE event, QObject *parent) : QObject(parent), m_event(event), d(new Private)
{
    if (!event)
        return;
    // The wait that wakes the notifier also resets the auto-reset event.
    d->notifier = new QWinEventNotifier(event, this);
    connect(d->notifier, &QWinEventNotifier::activated, this, [this] { emit activated(m_event); });
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
