// A control's picture from the module's PNG resources, decoded the first time it is asked
// for: a control that is never shown costs no decoding. A failed decode stays empty and is
// not tried again.
#pragma once

#include <windows.h>

#include "imaging/ximage.h"
#include "util/display_scale.h"

class CControlPicture {
 public:
  CControlPicture() = default;
  CControlPicture(const CControlPicture&) = delete;
  CControlPicture& operator=(const CControlPicture&) = delete;

  // Forgets any picture decoded from the previous resource or for another scale.
  void SetResource(UINT id, const DisplayScale& scale);
  CxImage& Get();
  const CxImage& Get() const;

 private:
  void Decode() const;

  // Decoding on first use does not change what the control shows.
  mutable CxImage image_;
  mutable bool tried_ = false;
  UINT id_ = 0;
  DisplayScale scale_;
};
