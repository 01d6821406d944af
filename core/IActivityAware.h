#pragma once

// Every page view model and the top bar: QML calls onActivate when the page is completed
// and onDeactivate when it is destroyed.
class IActivityAware
{
public:
    virtual ~IActivityAware() = default;
    virtual void onActivate() = 0;
    virtual bool onDeactivate() = 0;
};
