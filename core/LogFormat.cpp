#include "core/LogFormat.h"

#include <QtGlobal>

#include <cstring>

namespace {
// Set once, before any other thread exists.
QtMessageHandler g_next = nullptr;

void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && std::strncmp(context.category, "calder.", 7) == 0) {
        const QMessageLogContext plain(context.file, context.line, context.function, "default");
        g_next(type, plain, message);
        return;
    }
    g_next(type, context, message);
}
} // namespace

void installLogFormat()
{
    if (!g_next)
        g_next = qInstallMessageHandler(handle);
}
