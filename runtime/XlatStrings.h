#pragma once
// Texts reached through numeric handles: string constants and writable string slots, the
// formatter that prints numbers into a slot, and the numbered data-file names.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "runtime/XlatDescription.h"

class CXlatStrings : public CXlatDescription
{
  public:
    // Fixed buffer sizes of the formatter: the whole result and one conversion specification
    // (each including its terminating zero). Longer texts are cut, never overrun.
    static constexpr size_t kFormatResultSize = 512;
    static constexpr size_t kFormatSpecSize = 256;

    // [UI thread] Finds or creates entry `handle` and sets its text. Answers `handle`.
    double RegisterString(int32_t handle, std::string_view text);

    // [UI thread] Text of the entry named by `handleValue` (converted with ScriptInt), created
    // empty if missing. The reference stays valid until the table is cleared (open hook).
    const std::string& LookupString(double handleValue);

    // [UI thread] Formats into the entry `destinationHandle` (created if missing) from the format
    // text with handle `formatHandle`, taking doubles as arguments; answers destinationHandle.
    // Conversions: d i o u x X c print the argument as an integer (ScriptInt), e E f g G as a
    // double, s the text of the handle it names; any other letter prints nothing and takes no
    // argument. A specification runs from "%" to the first letter. Each specification is reduced
    // to flags, width and precision before the C library sees it (see the source). Missing
    // arguments read as 0.
    template <typename... Args>
    double FormatString(double destinationHandle, double formatHandle, Args... args)
    {
        const double values[] = {static_cast<double>(args)..., 0.0};
        return FormatStringArgs(destinationHandle, formatHandle, values, sizeof...(Args));
    }
    double FormatStringArgs(double destinationHandle, double formatHandle, const double* args,
                            size_t argCount);

    // [UI thread] Registers data file `index` with a name relative to the library folder.
    // Answers `index`.
    double RegisterFileName(int32_t index, std::string_view name);

    // [any thread] The data-file name registered under `index`, or null.
    const std::string* FileName(int32_t index) const;

    // [UI thread] Removes every string entry (the open hook registers the constants again).
    void ClearStrings();

    // Handle -> text.
    std::map<int32_t, std::string> strings;
    // Data-file index -> name relative to the library folder.
    std::map<int32_t, std::string> fileNames;
    // Number of entries of `strings`, refreshed by every operation above.
    double stringCount = 0.0;

  private:
    void RefreshStringCount() { stringCount = static_cast<double>(strings.size()); }
};
