#pragma once
#include <QString>

// What the view models ask of the program's window: the page it shows, hiding it (the process
// goes on in the tray), and whether the page being built is only the one the hidden window gave
// up, built again because the window is shown (nothing the person did: a page then sends nothing
// to the mixer and shows what it showed before). The program implements it.
class IUIService
{
public:
    virtual ~IUIService() = default;
    virtual void showMasterView(const QString &url) = 0;
    virtual void hideMainWindow() = 0;
    virtual bool isRestoringPage() const = 0;
};
