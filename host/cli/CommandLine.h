#pragma once
// Argument parsing shared by the subcommands: positional arguments and options of the forms
// "--name VALUE", "--name=VALUE" and "--flag". Errors are one line for the user.

#include <map>
#include <string>
#include <vector>

class CCommandLine
{
  public:
    // `valued`: options that take a value (may repeat); `flags`: options that take none.
    CCommandLine(std::vector<std::string> valued, std::vector<std::string> flags);

    // Parses argv[first..argc). Answers false with `error` for an unknown option or a missing
    // value. "--" ends the options.
    bool parse(int argc, char** argv, int first, std::string& error);

    const std::vector<std::string>& positional() const { return positionalArgs; }
    bool has(const std::string& name) const { return givenValues.count(name) != 0; }
    // The last value given for `name`, or `fallback`.
    std::string value(const std::string& name, const std::string& fallback = {}) const;
    // Every value given for `name`, in order.
    std::vector<std::string> values(const std::string& name) const;
    // Integer option within [lo, hi]; false with `error` when malformed or out of range.
    bool intValue(const std::string& name, int fallback, int lo, int hi, int& out,
                  std::string& error) const;

  private:
    std::vector<std::string> valuedOptions;
    std::vector<std::string> flagOptions;
    std::vector<std::string> positionalArgs;
    std::map<std::string, std::vector<std::string>> givenValues;
};
