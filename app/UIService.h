#pragma once
#include "core/IUIService.h"

#include <QSharedPointer>

class ShellVM;

class UIService : public IUIService
{
public:
    explicit UIService(QSharedPointer<ShellVM> shell);
    ~UIService() override;

    void showMasterView(const QString &url) override;

private:
    QSharedPointer<ShellVM> m_shell;
};
