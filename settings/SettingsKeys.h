#pragma once
// Names of the settings groups a model's store keeps: "<model>/AudioRouting", "<model>/Ducker".
#include <QString>

namespace SettingsKeys {
inline const QString kAudioRoutingGroup = QStringLiteral("AudioRouting");
inline const QString kDuckerGroup = QStringLiteral("Ducker");

// Declared; nothing reads them.
inline const QString kSettings = QStringLiteral("Settings");
inline const QString kTemporarySettings = QStringLiteral("TemporarySettings");
inline const QString kDeviceName = QStringLiteral("DeviceName");
inline const QString kPortName = QStringLiteral("PortName");
} // namespace SettingsKeys
