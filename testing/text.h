// Texts as tests and tools spell them: UTF-8 of the page's UTF-16, and percent-encoding for the
// query values sent to the lookup stand-in. Platform-free.
#pragma once

#include <string>
#include <string_view>

std::string Utf8(std::u16string_view text);
// Every byte but letters, digits, '-', '_' and '.' as %XX.
std::string QueryEscapeBytes(std::string_view bytes);
// The same for a text's UTF-8.
std::string QueryEscape(std::u16string_view text);
