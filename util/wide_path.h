// The project's UTF-16 strings as the platform's wide strings. No windows.h: only the width
// of wchar_t ties it to Windows.
#pragma once

#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows strings are UTF-16");

// Our strings are UTF-16 like the platform's, so they are handed to it as they are.
inline const wchar_t* WidePath(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
