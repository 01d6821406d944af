#pragma once
#include <QLocale>
#include <QString>
#include <QStringList>

// The panel in the user's language: its own translation (calder_<language>.qm) and Qt's, installed
// on the running application before any text is made. English is the source language and needs
// no file; a language without a translation, a missing or a broken file leave the texts English.
namespace translations {
// Where the panel's translations are looked for, in this order: "translations" beside the program
// (the build tree, the Windows folder), the data folder of an install under the program's prefix,
// and calder/translations in the XDG data folders.
QStringList folders();

// Installs on the application the translation for the first of `locale`'s UI languages (LANGUAGE,
// LC_ALL, LC_MESSAGES, LANG on Linux) that is English or has one in `folders`, and Qt's own for
// that language where Qt has one. Returns the language installed, empty for English.
QString install(const QLocale &locale = QLocale::system(), const QStringList &folders = translations::folders());
} // namespace translations
