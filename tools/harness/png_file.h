// Saves 32-bit top-down BGRX pixels as an 8-bit RGB PNG file.
#pragma once

#include <cstdint>

bool SavePng(const wchar_t* path, const uint32_t* pixels, int width, int height);
