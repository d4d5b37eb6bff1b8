#include "host/cli/CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

CCommandLine::CCommandLine(std::vector<std::string> valued, std::vector<std::string> flags)
    : valued_(std::move(valued)), flags_(std::move(flags))
{
}

bool CCommandLine::parse(int argc, char** argv, int first, std::string& error)
{
    bool optionsDone = false;
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsDone || arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            if (arg == "--")
                optionsDone = true;
            else
                positional_.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::string value;
        bool hasValue = false;
        const size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        if (std::find(flags_.begin(), flags_.end(), name) != flags_.end()) {
            if (hasValue) {
                error = "option --" + name + " takes no value";
                return false;
            }
            values_[name].push_back("");
            continue;
        }
        if (std::find(valued_.begin(), valued_.end(), name) == valued_.end()) {
            error = "unknown option --" + name;
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = "option --" + name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        values_[name].push_back(value);
    }
    return true;
}

std::string CCommandLine::value(const std::string& name, const std::string& fallback) const
{
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second.back();
}

std::vector<std::string> CCommandLine::values(const std::string& name) const
{
    auto it = values_.find(name);
    return it == values_.end() ? std::vector<std::string>{} : it->second;
}

bool CCommandLine::intValue(const std::string& name, int fallback, int lo, int hi, int& out,
                            std::string& error) const
{
    if (!has(name)) {
        out = fallback;
        return true;
    }
    const std::string text = value(name);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < lo || v > hi) {
        error = "--" + name + " needs a whole number from " + std::to_string(lo) + " to " +
                std::to_string(hi) + ", got \"" + text + "\"";
        return false;
    }
    out = int(v);
    return true;
}
