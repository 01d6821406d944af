#include "TestEnvironment.h"

#include <QFile>
#include <QtGlobal>

namespace TestEnvironment {

QString simulatorLibrary() { return qEnvironmentVariable("CALDER_SIM_LIBRARY"); }

QString panelExecutable() { return qEnvironmentVariable("CALDER_PANEL"); }

QString writeRegistryFile(const QString &dir, const QString &valueLine)
{
    const QString path = dir + QStringLiteral("/test.reg");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    f.write(
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CLASSES_ROOT\\CLSID\\{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}\\InprocServer32]\n");
    f.write("@=" + valueLine.toUtf8() + "\n");
    return path;
}

} // namespace TestEnvironment
