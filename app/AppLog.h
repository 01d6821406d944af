#pragma once
#include <QLoggingCategory>

// The log category of the program, "calder.app" (see core/LogFormat.h).
inline const QLoggingCategory &lcApp()
{
    static const QLoggingCategory category("calder.app");
    return category;
}
