#pragma once

// Implemented by the top bar's view model; called on plug and unplug.
class IPnPEventListener
{
public:
    virtual ~IPnPEventListener() = default;
    virtual void onDeviceArrived() = 0;
    virtual void onDeviceRemoved() = 0;
};
