// Command-line parsing shared by the commands: positional arguments, flags with or without a
// value ("--name value" or "--name=value"), repeatable flags and --help.
#ifndef MIRAV_CLI_OPTIONS_H
#define MIRAV_CLI_OPTIONS_H

#include <map>
#include <string>
#include <vector>

namespace mirav::cli {

// Exit codes of every command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct OptionRule {
    std::string name;  // with the leading dashes
    bool takesValue = false;
};

struct ParsedArgs {
    std::vector<std::string> positionals;
    std::map<std::string, std::vector<std::string>> values;  // flag -> values (empty for switches)
    bool help = false;

    bool Has(const std::string& name) const { return values.count(name) != 0; }
    // The last value given for the flag, or fallback.
    std::string Value(const std::string& name, const std::string& fallback = "") const;
    std::vector<std::string> All(const std::string& name) const;
};

// Parses args[first, argc). Fails with a one-line reason for an unknown flag, a missing value or
// a wrong number of positional arguments (unless --help was given).
bool ParseArgs(int argc, char** argv, int first, const std::vector<OptionRule>& rules,
               size_t positionals, ParsedArgs& out, std::string& error);

// A finite number above 0 (seconds, counts).
bool ParsePositiveNumber(const std::string& text, double* seconds);

}  // namespace mirav::cli

#endif
