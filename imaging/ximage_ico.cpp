#include "imaging/ximage_ico.h"

bool CxImageICO::DecodeStream(CxFile* stream) {
  (void)stream;
  SetLastError("ICO format not supported");
  return false;
}
