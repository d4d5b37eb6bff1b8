#include "host/cli/CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

CCommandLine::CCommandLine(std::vector<std::string> valued, std::vector<std::string> flags)
    : valuedOptions(std::move(valued)), flagOptions(std::move(flags))
{
}

bool CCommandLine::parse(int argc, char** argv, int first, std::string& error)
{
    bool optionsDone = false;
    for (int i = first; i < argc; ++i)
    {
        std::string arg = argv[i];
        if (optionsDone || arg.size() < 3 || arg.compare(0, 2, "--") != 0)
        {
            if (arg == "--")
                optionsDone = true;
            else
                positionalArgs.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::string value;
        bool hasValue = false;
        const size_t eq = name.find('=');
        if (eq != std::string::npos)
        {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        if (std::find(flagOptions.begin(), flagOptions.end(), name) != flagOptions.end())
        {
            if (hasValue)
            {
                error = "option --" + name + " takes no value";
                return false;
            }
            givenValues[name].push_back("");
            continue;
        }
        if (std::find(valuedOptions.begin(), valuedOptions.end(), name) == valuedOptions.end())
        {
            error = "unknown option --" + name;
            return false;
        }
        if (!hasValue)
        {
            if (i + 1 >= argc)
            {
                error = "option --" + name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        givenValues[name].push_back(value);
    }
    return true;
}

std::string CCommandLine::value(const std::string& name, const std::string& fallback) const
{
    auto it = givenValues.find(name);
    return it == givenValues.end() ? fallback : it->second.back();
}

std::vector<std::string> CCommandLine::values(const std::string& name) const
{
    auto it = givenValues.find(name);
    return it == givenValues.end() ? std::vector<std::string>{} : it->second;
}

bool CCommandLine::intValue(const std::string& name, int fallback, int lo, int hi, int& out,
                            std::string& error) const
{
    if (!has(name))
    {
        out = fallback;
        return true;
    }
    const std::string text = value(name);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < lo || v > hi)
    {
        error = "--" + name + " needs a whole number from " + std::to_string(lo) + " to " +
                std::to_string(hi) + ", got \"" + text + "\"";
        return false;
    }
    out = int(v);
    return true;
}
