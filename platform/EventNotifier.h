#pragma once
// Watches one event on the GUI thread and emits activated(HANDLE) each time it is signalled;
// signals that arrive before the notifier runs collapse into one activation (auto-reset).
// Emits on the thread it lives in (create it on the GUI thread). It does not own the event:
// destroy the notifier before closing the event. Signals that arrive while it is disabled
// give one activation when it is enabled again.
#include "platform/PlatformTypes.h"

#include <QObject>

class EventNotifier : public QObject
{
    Q_OBJECT
public:
    explicit EventNotifier(HANDLE event, QObject *parent = nullptr);
    ~EventNotifier() override;

    HANDLE handle() const { return m_event; }
    bool isEnabled() const;
    void setEnabled(bool enabled);

signals:
    void activated(HANDLE event);

private:
    HANDLE m_event;
    class Private;
    Private *d;
};
