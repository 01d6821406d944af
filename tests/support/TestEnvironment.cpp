#include "TestEnvironment.h"

#include <QtGlobal>

namespace TestEnvironment {

QString simulatorLibrary() { return qEnvironmentVariable("CALDER_SIM_LIBRARY"); }

QString panelExecutable() { return qEnvironmentVariable("CALDER_PANEL"); }

} // namespace TestEnvironment
