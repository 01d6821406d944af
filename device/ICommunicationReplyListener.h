#pragma once

// Implemented by the page view models; the communication service calls the one that
// registered last.
class ICommunicationReplyListener
{
public:
    virtual ~ICommunicationReplyListener() = default;
    virtual void onDeviceStateChanged() = 0;
    virtual void onConnectionFailed() = 0;
    virtual void onDeviceNotification() = 0;
};
