#pragma once
#include <QString>

class IUIService
{
public:
    virtual ~IUIService() = default;
    virtual void showMasterView(const QString &url) = 0;
};
