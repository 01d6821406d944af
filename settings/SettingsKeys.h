#pragma once
// Names of the settings groups the stores keep.
#include <QString>

namespace SettingsKeys {
inline const QString kAltoAudioRouting = QStringLiteral("Alto/AudioRouting");
inline const QString kAltoDucker = QStringLiteral("Alto/Ducker");
inline const QString kTenorAudioRouting = QStringLiteral("Tenor/AudioRouting");
inline const QString kTenorDucker = QStringLiteral("Tenor/Ducker");
inline const QString kBassoAudioRouting = QStringLiteral("Basso/AudioRouting");
inline const QString kBassoDucker = QStringLiteral("Basso/Ducker");

// Declared; nothing reads them.
inline const QString kSettings = QStringLiteral("Settings");
inline const QString kTemporarySettings = QStringLiteral("TemporarySettings");
inline const QString kDeviceName = QStringLiteral("DeviceName");
inline const QString kPortName = QStringLiteral("PortName");
} // namespace SettingsKeys
