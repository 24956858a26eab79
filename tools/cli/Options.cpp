#include "Options.h"

#include <cmath>
#include <cstdlib>

namespace mirav::cli {

std::string ParsedArgs::Value(const std::string& name, const std::string& fallback) const {
    const auto found = values.find(name);
    return found == values.end() || found->second.empty() ? fallback : found->second.back();
}

std::vector<std::string> ParsedArgs::All(const std::string& name) const {
    const auto found = values.find(name);
    return found == values.end() ? std::vector<std::string>() : found->second;
}

bool ParseArgs(int argc, char** argv, int first, const std::vector<OptionRule>& rules,
               size_t positionals, ParsedArgs& out, std::string& error) {
    bool onlyPositionals = false;
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        if (onlyPositionals || arg.size() < 2 || arg[0] != '-') {
            out.positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyPositionals = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            out.help = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionRule* rule = nullptr;
        for (const OptionRule& candidate : rules) {
            if (candidate.name == name) rule = &candidate;
        }
        if (rule == nullptr) {
            error = "unknown option " + name;
            return false;
        }
        std::vector<std::string>& values = out.values[name];
        if (!rule->takesValue) {
            if (equals != std::string::npos) {
                error = "option " + name + " takes no value";
                return false;
            }
            continue;
        }
        if (equals != std::string::npos) {
            values.push_back(arg.substr(equals + 1));
        } else if (i + 1 < argc) {
            values.push_back(argv[++i]);
        } else {
            error = "option " + name + " needs a value";
            return false;
        }
    }
    if (!out.help && out.positionals.size() != positionals) {
        error = out.positionals.size() < positionals
                    ? "missing argument"
                    : "unexpected argument " + out.positionals.back();
        return false;
    }
    return true;
}

bool ParsePositiveNumber(const std::string& text, double* seconds) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == nullptr || *end != '\0' || !std::isfinite(value) || value <= 0) return false;
    *seconds = value;
    return true;
}

}  // namespace mirav::cli
