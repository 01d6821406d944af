#pragma once
#include <QLoggingCategory>

// The log category of the view models, "calder.viewmodels" (see core/LogFormat.h).
inline const QLoggingCategory &lcViewModels()
{
    static const QLoggingCategory category("calder.viewmodels");
    return category;
}
