#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// celwright-cli: works on sheets without a window. `args` are the command-line arguments after the
// program name. Returns the process exit status: 0 on success, 1 when the work failed, 2 when the
// command line was not understood, 3 when the output was written but something was left out.
int RunCelwrightCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Ctrl-C, SIGTERM and SIGHUP stop the process as they would, after removing the temporary files of
// the saves it had not finished (a half-written movie). SIGPIPE is ignored: a reader that closes
// the output pipe makes the write fail, and RunCelwrightCli reports it.
void RemoveUnfinishedFilesOnSignals();
