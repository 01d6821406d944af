#pragma once
// Writing registry export files for the tests.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

namespace RegistryFiles {

inline const QByteArray kDriverKey = "HKEY_CLASSES_ROOT\\CLSID\\{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}\\InprocServer32";

// An export whose driver key holds `valueLine` (e.g. "@=dword:1").
inline QByteArray withDriverEntry(const QByteArray &valueLine)
{
    return "Windows Registry Editor Version 5.00\r\n\r\n[" + kDriverKey + "]\r\n" + valueLine +
           "\r\n\"ThreadingModel\"=\"Both\"\r\n";
}

// The "..." form, escaped.
inline QByteArray quoted(const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    utf8.replace("\\", "\\\\").replace("\"", "\\\"");
    return '"' + utf8 + '"';
}

// hex(type):.. with the text as UTF-16LE, optionally terminated, wrapped as regedit does.
inline QByteArray hexValue(const QString &text, bool terminated, int type = 2)
{
    QByteArray bytes(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    if (terminated)
        bytes.append(2, '\0');
    QByteArray out = "hex(" + QByteArray::number(type, 16) + "):";
    for (int i = 0; i < bytes.size(); ++i) {
        out += QByteArray::number(static_cast<uchar>(bytes[i]), 16).rightJustified(2, '0');
        if (i + 1 < bytes.size())
            out += (i % 20 == 19) ? ",\\\r\n  " : ",";
    }
    return out;
}

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

} // namespace RegistryFiles
