#pragma once

class ICommunicationReplyListener;
class IPnPEventListener;

class ICommunicationService
{
public:
    virtual ~ICommunicationService() = default;
    virtual void openDevice() = 0;
    virtual void closeDevice() = 0;
    virtual void setReplyListener(ICommunicationReplyListener *listener) = 0;
    virtual void setPnPEventListener(IPnPEventListener *listener) = 0;
};
