#include "gui/WideText.h"

#include <windows.h>

std::wstring utf8ToWide(const char* text)
{
    if (!text || !*text) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(size_t(length), L'\0');
    if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length) != length) return {};
    wide.resize(size_t(length - 1)); // without the terminating zero
    return wide;
}

std::string wideToUtf8(const wchar_t* text)
{
    if (!text || !*text) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return {};
    std::string narrow(size_t(length), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), length, nullptr, nullptr) !=
        length)
        return {};
    narrow.resize(size_t(length - 1));
    return narrow;
}
