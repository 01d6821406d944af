#pragma once
#include <QString>

// Paths the test runner hands every test (see tests/CMakeLists.txt).
namespace TestEnvironment {
// The simulated driver library built beside the tests.
QString simulatorLibrary();
// The panel executable.
QString panelExecutable();
} // namespace TestEnvironment
