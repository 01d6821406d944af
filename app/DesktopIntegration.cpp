#include "app/DesktopIntegration.h"

#include <QGuiApplication>

namespace desktop {

QIcon applicationIcon()
{
    QIcon bundled;
    for (const char *file : {"calder-1", "calder-2", "calder-3", "calder-0", "CalderLogoIcon", "calder-4"})
        bundled.addFile(QStringLiteral(":/Images/Images/%1.png").arg(QLatin1String(file)));
    return QIcon::fromTheme(kDesktopFileName, bundled);
}

void integrate()
{
    QGuiApplication::setDesktopFileName(kDesktopFileName);
    QGuiApplication::setWindowIcon(applicationIcon());
}

} // namespace desktop
