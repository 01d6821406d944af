#pragma once
// The keys of a model's settings store (IRegistryService): what the service applies to the
// mixer and the pages show and change.
#include <QString>

namespace StoreKeys {
// Routing group.
inline const QString kInput12 = QStringLiteral("Input12");
inline const QString kInput32 = QStringLiteral("Input32");

// Ducker group.
inline const QString kOn = QStringLiteral("On");
inline const QString kInput1 = QStringLiteral("Input 1");
inline const QString kInput2 = QStringLiteral("Input 2");
inline const QString kInput3 = QStringLiteral("Input 3");
inline const QString kInput4 = QStringLiteral("Input 4");
inline const QString kSensitivity = QStringLiteral("Sensitivity");
inline const QString kDuckerRange = QStringLiteral("DuckerRange");
inline const QString kReleaseTime = QStringLiteral("ReleaseTime");
inline const QString kAttackTime = QStringLiteral("AttackTime");
inline const QString kHoldTime = QStringLiteral("HoldTime");
} // namespace StoreKeys
