#pragma once
#include <QIcon>

// What desktops read off the program: the application id (on Wayland the window's app id; the
// desktop entry of that name gives the name and icon docks show) and its icon, the theme's
// where installed, else the bundled one.
namespace desktop {
inline const QString kDesktopFileName = QStringLiteral("org.brightwell.CalderPanel");

QIcon applicationIcon();
// Sets the application id and the window icon; call once the application object exists.
void integrate();
} // namespace desktop
