#pragma once
#include <QLoggingCategory>

// The log category of driver access, "calder.device" (see core/LogFormat.h).
inline const QLoggingCategory &lcDevice()
{
    static const QLoggingCategory category("calder.device");
    return category;
}
