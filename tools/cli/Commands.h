// The commands of mirav-cli. Each parses its own arguments (argv[first] onwards), prints its
// output and returns the process exit code.
#ifndef MIRAV_CLI_COMMANDS_H
#define MIRAV_CLI_COMMANDS_H

#include <atomic>
#include <string>

namespace mirav::cli {

int RunInfo(int argc, char** argv, int first);
int RunDescribe(int argc, char** argv, int first);
int RunStream(int argc, char** argv, int first);
int RunRecord(int argc, char** argv, int first);
int RunDoctor(int argc, char** argv, int first);
int RunExport(int argc, char** argv, int first);
int RunView(int argc, char** argv, int first);

// Set by Ctrl-C (or SIGTERM): long-running commands finish cleanly and print their summary.
extern std::atomic<bool> gStopRequested;

// Prints "mirav-cli COMMAND: reason" and the command's usage to standard error; returns 2.
int UsageError(const char* command, const std::string& reason, const char* usage);
// Prints "mirav-cli COMMAND: reason" to standard error; returns 1.
int Failure(const char* command, const std::string& reason);

}  // namespace mirav::cli

#endif
