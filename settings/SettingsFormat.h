#pragma once
// The panel's settings file: the INI text Qt's own INI format reads and writes, except that
// values Qt would decode into binary types ("@Variant(", "@DateTime(", "@ByteArray(", "@Rect(",
// ...) and comma lists are not decoded. Qt trusts the counts inside such values, so one forged
// line could make the panel allocate without bound and stop; here it is refused: it reads as
// absent and is written back exactly as it was.
#include <QByteArray>
#include <QMetaType>
#include <QSettings>

namespace SettingsFormat {

// A refused value: its text after '=' as found in the file.
struct RefusedValue
{
    QByteArray text;
};

// Keys as "Group/Sub/Key" with the values as QString or RefusedValue. Never fails: a line that
// cannot be read is skipped as Qt skips it. A refused value cut off at the end of the file (in
// quotes or after an escaping backslash) could not be written back without taking the lines
// after it along: it is left out, and `dropped` gets its key.
QSettings::SettingsMap parse(const QByteArray &ini, QStringList *dropped = nullptr);

// Byte for byte what Qt's INI format writes for strings, integers, booleans and doubles;
// RefusedValue text as it was read. Other types are left out, and `skipped` gets their keys.
QByteArray serialise(const QSettings::SettingsMap &map, QStringList *skipped = nullptr);

bool isRefused(const QVariant &value);

// The format to open the panel's settings with: this one where the system keeps settings in INI
// files, the native one elsewhere (the registry, whose values Qt still decodes).
QSettings::Format format();

} // namespace SettingsFormat

Q_DECLARE_METATYPE(SettingsFormat::RefusedValue)
