#pragma once
// The editor's fixed size in pixels (the background image's size).

#include <cstdint>

inline constexpr int32_t kEditorWidth = 430;
inline constexpr int32_t kEditorHeight = 600;
