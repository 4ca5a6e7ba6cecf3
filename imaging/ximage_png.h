// The PNG decoder: a short-lived image that fills itself from a stream through libpng and is
// then moved into the target by CxImage::Decode.
#pragma once

#include "imaging/ximage.h"

class CxImagePNG : public CxImage {
 public:
  CxImagePNG() : CxImage(CXIMAGE_FORMAT_PNG) {}
  // Reads one PNG from the stream's position. False with the reason in LastError.
  bool DecodeStream(CxFile* stream);
  // For libpng's error callback, which is not a member.
  void ReportError(const char* text) { SetLastError(text); }
  // The decoder records the PNG's palette length in the header it owns.
  void SetImportantColors(uint32_t count);
};
