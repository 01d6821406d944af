#pragma once
#include <QLoggingCategory>

// The log category of the settings stores, "calder.settings" (see core/LogFormat.h).
inline const QLoggingCategory &lcSettings()
{
    static const QLoggingCategory category("calder.settings");
    return category;
}
