// The Qt sinks of the reporting services (framework/Services.h).
#pragma once

#include <string>

// Installs the GUI's sinks:
// - message box: a modal QMessageBox with the application title as caption, the text and an
//   OK button only; the call returns once the user dismissed it. A call from another thread
//   waits while the GUI thread shows the box. Without a QApplication the text goes to stderr.
// - trace line: written to stderr when the environment variable MORROW_TRACE is set and not
//   empty, otherwise dropped. A "\r\n" line end becomes "\n" and a missing one is added.
void InstallQtSinks();

// The line InstallQtSinks' trace sink writes for strLine (exposed for tests).
std::string TraceLineForStderr(const std::string& strLine);
