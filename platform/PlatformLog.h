#pragma once
#include <QLoggingCategory>

// The log category of the platform layer, "calder.platform" (see core/LogFormat.h).
inline const QLoggingCategory &lcPlatform()
{
    static const QLoggingCategory category("calder.platform");
    return category;
}
