#pragma once

// The panel's own options, --help and --version, answered before anything else happens: no
// display, no single-instance check, no driver library. Qt's options pass through to Qt.
namespace commandline {
enum class Outcome { Run, Exit };

// Prints the help, the version or an error line and returns Exit with *exitCode set (0, 0, 2);
// returns Run when the panel should start.
Outcome handle(int argc, char *argv[], int *exitCode);
} // namespace commandline
