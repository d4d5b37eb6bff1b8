#pragma once
// UTF-8 <-> UTF-16 conversions for the platform's wide-character interfaces.

#include <string>

// [any thread] UTF-8 -> UTF-16. Null or a string that cannot be converted gives an empty text.
std::wstring utf8ToWide(const char* text);
// [any thread] UTF-16 -> UTF-8. Null or a string that cannot be converted gives an empty text.
std::string wideToUtf8(const wchar_t* text);
