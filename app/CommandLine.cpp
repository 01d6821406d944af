#include "app/CommandLine.h"

#include "app/AppConstants.h"
#include "app/Translations.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {
// Options QGuiApplication and QApplication take (with a value or without), which reach Qt
// unchanged: they are no errors here.
const char *const kQtOptionsWithValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger",
                                           "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display",
                                           "name", "geometry", "title", "icon", "style", "stylesheet", "visual"};
const char *const kQtOptionsWithoutValue[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
} // namespace

namespace commandline {

Outcome handle(int argc, char *argv[], int *exitCode)
{
    *exitCode = 0;
    if (argc <= 1)
        return Outcome::Run; // the usual start costs nothing here
    // A core application only: no display is needed to print the help.
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        app = std::make_unique<QCoreApplication>(argc, argv);
        translations::install(); // the help in the user's language; gone with `app`
    }
    QCoreApplication::setApplicationName(QStringLiteral("calder-panel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CALDER_VERSION));

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QCoreApplication::translate("CommandLine", "Control panel for Calder USB mixers. It lives in the system tray; "
                                                   "starting it again shows the running copy."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    for (const char *name : kQtOptionsWithValue) {
        QCommandLineOption qt(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    for (const char *name : kQtOptionsWithoutValue) {
        QCommandLineOption qt(QString::fromLatin1(name));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }

    const bool parsed = parser.parse(QCoreApplication::arguments());
    const QString program = QStringLiteral("calder-panel");
    // "--help-all" would list Qt's own options too; here both show the panel's.
    if (parsed && (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
    } else if (parsed && parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(program), CALDER_VERSION);
    } else if (!parsed || !parser.positionalArguments().isEmpty()) {
        const QString error = parsed ? QCoreApplication::translate("CommandLine", "Unexpected argument '%1'.")
                                           .arg(parser.positionalArguments().constFirst())
                                     : parser.errorText();
        std::fprintf(stderr, "%s: %s\n%s\n", qPrintable(program), qPrintable(error),
                     qPrintable(QCoreApplication::translate("CommandLine", "Try '%1 --help'.").arg(program)));
        *exitCode = 2;
    } else {
        QCoreApplication::setApplicationName(AppConstants::kApplicationName);
        return Outcome::Run;
    }
    std::fflush(stdout);
    return Outcome::Exit;
}

} // namespace commandline
