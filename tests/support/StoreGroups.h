#pragma once
// The settings groups of the three mixer models, as the user's settings file names them.
#include <QString>

inline const QString kAltoAudioRouting = QStringLiteral("Alto/AudioRouting");
inline const QString kAltoDucker = QStringLiteral("Alto/Ducker");
inline const QString kTenorAudioRouting = QStringLiteral("Tenor/AudioRouting");
inline const QString kTenorDucker = QStringLiteral("Tenor/Ducker");
inline const QString kBassoAudioRouting = QStringLiteral("Basso/AudioRouting");
inline const QString kBassoDucker = QStringLiteral("Basso/Ducker");
