#pragma once
// The program's own names. Texts that play several roles stand here as that many separately
// named constants with equal text.
#include <QString>

namespace AppConstants {
inline const QString kApplicationName = QStringLiteral("Calder USB Audio Control Panel");
inline const QString kWindowTitle = QStringLiteral("Calder USB Audio Control Panel");
inline const QString kLockFileName = QStringLiteral("Calder USB Audio Control Panel");
inline const QString kOrganizationName = QStringLiteral("Brightwell");
inline const QString kMainView = QStringLiteral("qrc:/UI/Qml/Main.qml");
} // namespace AppConstants
