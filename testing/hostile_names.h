// Names the phone or the lookup service might send that must never become a file: shared by
// the native name checks and the worker tests under Wine. Platform-free.
#pragma once

#include <string>
#include <vector>

struct HostileName {
  std::u16string name;
  const char* why;
};

inline std::u16string WithUnit(const char16_t* before, char16_t unit, const char16_t* after) {
  std::u16string text(before);
  text += unit;
  text += after;
  return text;
}

inline std::vector<HostileName> HostileFileNames() {
  return {
      {u"", "empty"},
      {u"a/b", "slash"},
      {u"a\\b", "backslash"},
      {u"/rooted", "leading slash"},
      {u"\\rooted", "leading backslash"},
      {u"\\\\server\\share\\x", "network path"},
      {u"..", "parent"},
      {u".", "current folder"},
      {u"...", "dots only"},
      {u"../escape", "parent, slash"},
      {u"..\\escape", "parent, backslash"},
      {u"x\\..\\..\\escape", "parents inside"},
      {u"a..b", "two dots inside"},
      {u"..hidden", "leading two dots"},
      {u"C:", "drive"},
      {u"C:escape", "drive-relative"},
      {u"c:\\windows\\escape", "absolute"},
      {u"Z:\\tmp\\escape", "absolute on another drive"},
      {u"model:stream", "stream"},
      {u"model::$DATA", "default stream"},
      {u"CON", "console"},
      {u"con", "console, lower case"},
      {u"Con.ini", "console with an extension"},
      {u"CON .txt", "console, blank before the extension"},
      {u"PRN", "printer"},
      {u"AUX", "auxiliary"},
      {u"aux.tar.gz", "auxiliary, two extensions"},
      {u"NUL", "null device"},
      {u"nul.png", "null device with an extension"},
      {u"COM1", "serial port"},
      {u"com9.ini", "serial port with an extension"},
      {u"COM0", "serial port zero"},
      {u"LPT1", "parallel port"},
      {u"Lpt9.png", "parallel port with an extension"},
      {u"LPT0", "parallel port zero"},
      {u"COM\u00B9", "serial port, superscript one"},
      {u"lpt\u00B3.x", "parallel port, superscript three"},
      {u"CONIN$", "console input"},
      {u"conout$.txt", "console output"},
      {u"CLOCK$", "clock"},
      {u"model.", "trailing dot"},
      {u"model ", "trailing blank"},
      {u"model. ", "trailing dot and blank"},
      {u"model .", "trailing blank and dot"},
      {u" ", "blank only"},
      {u"a\tb", "tab"},
      {u"a\nb", "line feed"},
      {u"a\rb", "carriage return"},
      {u"\x01model", "start of heading"},
      {u"model\x1F", "unit separator"},
      {u"mod\x7F"
       u"el",
       "delete"},
      {u"mod\u0085el", "next line"},
      {u"mod\u009Bel", "control sequence introducer"},
      {std::u16string(u"a\0b", 3), "embedded NUL"},
      {u"a*b", "asterisk"},
      {u"a?b", "question mark"},
      {u"a<b", "less than"},
      {u"a>b", "greater than"},
      {u"a|b", "bar"},
      {u"a\"b", "quote"},
      {WithUnit(u"x", 0xD800, u""), "lone high surrogate at the end"},
      {WithUnit(u"x", 0xD83D, u"y"), "high surrogate before a letter"},
      {WithUnit(u"x", 0xDC00, u"y"), "lone low surrogate"},
      {std::u16string(256, u'a'), "longer than a file name can be"},
      {u"pic.png?v=2", "query part"},
  };
}

// Names that look odd but are plain file names, kept exactly.
inline std::vector<std::u16string> OrdinaryNames() {
  return {
      u"Fennick F3",     u"Tallow-T9_Pro",   u"Q5",        u"v1.2", u"a.b.c", u"Model (2)", u"x~1",
      u"[brand]",        u"\u578B\u53F7 S1", u"Caf\u00E9", u"100%", u"a&b",   u"a+b",       u"a#b",
      u" leading blank", u"CONSOLE",         u"COM10",     u"LPT",  u"nul-x", u".hidden",
  };
}
