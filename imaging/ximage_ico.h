// The icon decoder behind format 5 and format detection. The page never ships icons, so it
// rejects every stream; detection then falls through to PNG.
#pragma once

#include "imaging/ximage.h"

class CxImageICO : public CxImage {
 public:
  CxImageICO() : CxImage(CXIMAGE_FORMAT_ICO) {}
  // False with the reason in LastError; the stream position is left to the caller.
  bool DecodeStream(CxFile* stream);
};
