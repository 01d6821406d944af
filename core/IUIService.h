#pragma once
#include <QString>

// What the view models ask of the program's window: the page it shows, and hiding it (the
// process goes on in the tray). The program implements it.
class IUIService
{
public:
    virtual ~IUIService() = default;
    virtual void showMasterView(const QString &url) = 0;
    virtual void hideMainWindow() = 0;
};
