#include "core/LogFormat.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstring>

namespace {
// Set once, before any other thread exists.
QtMessageHandler g_next = nullptr;

#ifdef Q_OS_WIN
// Asked for on standard error, a Windows program writes the line itself: Qt's DLL may hold a C
// runtime stream of its own that reaches nothing (seen with MinGW under Wine).
const bool g_toStderr = qEnvironmentVariableIntValue("QT_FORCE_STDERR_LOGGING") != 0;
#endif

void pass(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
#ifdef Q_OS_WIN
    if (g_toStderr && type != QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        std::fflush(stderr);
        return;
    }
#endif
    g_next(type, context, message);
}

void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (context.category && std::strncmp(context.category, "calder.", 7) == 0) {
        const QMessageLogContext plain(context.file, context.line, context.function, "default");
        pass(type, plain, message);
        return;
    }
    pass(type, context, message);
}
} // namespace

void installLogFormat()
{
    if (!g_next)
        g_next = qInstallMessageHandler(handle);
}
