#pragma once
#include <QString>

// Paths the test runner hands every test (see tests/CMakeLists.txt).
namespace TestEnvironment {
// The simulated driver library built beside the tests.
QString simulatorLibrary();
// The panel executable.
QString panelExecutable();
// Writes a registry file whose driver class entry holds `value` (already in .reg syntax,
// e.g. "\"/path/lib.so\"" or "dword:00000001") and returns its path.
QString writeRegistryFile(const QString &dir, const QString &valueLine);
} // namespace TestEnvironment
