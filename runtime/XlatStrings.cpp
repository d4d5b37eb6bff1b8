#include "runtime/XlatStrings.h"

#include <cstring>

#include "runtime/FormatConversion.h"
#include "runtime/ScriptValue.h"

double CXlatStrings::RegisterString(int32_t handle, std::string_view text)
{
    strings[handle].assign(text.data(), text.size());
    RefreshStringCount();
    return static_cast<double>(handle);
}

const std::string& CXlatStrings::LookupString(double handleValue)
{
    const std::string& text = strings[ScriptInt(handleValue)];
    RefreshStringCount();
    return text;
}

double CXlatStrings::FormatStringArgs(double destinationHandle, double formatHandle,
                                      const double* args, size_t argCount)
{
    // Entries of a std::map never move, so `format` stays valid while %s creates entries.
    const char* format = LookupString(formatHandle).c_str();

    char result[kFormatResultSize];
    size_t length = 0;
    auto append = [&](const char* text, size_t count)
    {
        const size_t room = kFormatResultSize - 1 - length;
        if (count > room) count = room;
        std::memcpy(result + length, text, count);
        length += count;
    };
    size_t nextArg = 0;
    auto takeArg = [&]() -> double
    {
        // A missing argument reads as 0 rather than from beyond the caller's values.
        return (args != nullptr && nextArg < argCount) ? args[nextArg++] : (++nextArg, 0.0);
    };

    const char* p = format;
    while (*p != '\0')
    {
        if (*p != '%')
        {
            append(p, 1);
            ++p;
            continue;
        }
        // Collect "%" and everything up to the first letter; characters beyond the
        // specification buffer are dropped.
        char collected[kFormatSpecSize];
        size_t collectedLength = 0;
        collected[collectedLength++] = *p++;
        char letter = '\0';
        while (*p != '\0')
        {
            const char c = *p++;
            if (IsFormatLetter(c))
            {
                letter = c;
                break;
            }
            if (collectedLength < kFormatSpecSize - 1) collected[collectedLength++] = c;
        }
        collected[collectedLength] = '\0';
        if (letter == '\0') break; // the format ended inside a specification: drop it

        char piece[kFormatResultSize];
        size_t pieceLength = 0;
        if (std::strchr("diouxXceEfgG", letter) != nullptr)
        {
            pieceLength =
                FormatConversion(piece, sizeof piece, collected, letter, takeArg(), nullptr);
        }
        else if (letter == 's')
        {
            const std::string& text = LookupString(takeArg());
            pieceLength =
                FormatConversion(piece, sizeof piece, collected, letter, 0.0, text.c_str());
        }
        // Any other letter prints nothing and takes no argument.
        append(piece, pieceLength);
    }
    result[length] = '\0';

    strings[ScriptInt(destinationHandle)].assign(result, length);
    RefreshStringCount();
    return destinationHandle;
}

double CXlatStrings::RegisterFileName(int32_t index, std::string_view name)
{
    fileNames[index].assign(name.data(), name.size());
    return static_cast<double>(index);
}

const std::string* CXlatStrings::FileName(int32_t index) const
{
    const auto found = fileNames.find(index);
    return found != fileNames.end() ? &found->second : nullptr;
}

void CXlatStrings::ClearStrings()
{
    strings.clear();
    RefreshStringCount();
}
