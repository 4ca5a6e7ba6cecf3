// All screenshots of a run on one picture, each a thumbnail with its name under it.
#pragma once

#include <string>
#include <vector>

#include "tools/harness/pixels.h"

struct SheetEntry {
  const Image* image;
  std::string caption;  // UTF-8
  bool failed;          // framed and captioned in red
};

bool WriteContactSheet(const std::vector<SheetEntry>& entries, const std::wstring& path);
