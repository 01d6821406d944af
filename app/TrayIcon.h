#pragma once

class QSystemTrayIcon;
class QWindow;

// Logs whether a system tray exists; with one, closing the last window must not end the process.
bool checkTrayAvailability();

// The tray icon with "&Show" and "&Exit"; any click on the icon shows the window too. The icon,
// its menu and actions are never deleted before process exit.
QSystemTrayIcon *installTrayIcon(QWindow *window);
