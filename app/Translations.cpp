#include "app/Translations.h"

#include "app/AppLog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

namespace translations {

QStringList folders()
{
    const QString program = QCoreApplication::applicationDirPath();
    QStringList found{program + QStringLiteral("/translations"),
                      QFileInfo(program + QStringLiteral("/" CALDER_TRANSLATIONS_FROM_PROGRAM)).absoluteFilePath()};
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        found << data + QStringLiteral("/calder/translations");
    found.removeDuplicates();
    return found;
}

QString install(const QLocale &locale, const QStringList &folders)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return QString();
    QStringList names; // "de_AT" before "de"
    for (QString language : locale.uiLanguages()) {
        language.replace(QLatin1Char('-'), QLatin1Char('_'));
        // English, the texts' own language, wins over any language listed after it; "C" is what
        // Qt lists for a language it does not know.
        if (language.startsWith(QLatin1String("en")))
            break;
        if (language != QLatin1String("C"))
            names << language << language.section(QLatin1Char('_'), 0, 0);
    }
    names.removeDuplicates();
    bool complained = false;
    for (const QString &name : qAsConst(names)) {
        for (const QString &folder : folders) {
            const QString file = QStringLiteral("%1/calder_%2.qm").arg(folder, name);
            if (!QFileInfo::exists(file))
                continue;
            auto *translator = new QTranslator(app);
            if (!translator->load(file)) {
                delete translator;
                if (!complained)
                    qCDebug(lcApp, ": Translation %s cannot be read; left out.\n", qUtf8Printable(file));
                complained = true;
                continue;
            }
            app->installTranslator(translator);
            auto *qt = new QTranslator(app);
            if (qt->load(QStringLiteral("qtbase_") + name, QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
                app->installTranslator(qt);
            else
                delete qt;
            return name;
        }
    }
    return QString();
}

} // namespace translations
