#pragma once
// Texts of the driver interface: where the library is registered.
#include <QString>

namespace DeviceConstants {
// Class id under which the driver API library is registered.
inline const QString kDriverClassId = QStringLiteral("{6B1E4C2A-93D5-4f0e-B7A1-2C8D9E3F5A61}");
} // namespace DeviceConstants
