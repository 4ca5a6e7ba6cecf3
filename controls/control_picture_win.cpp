#include "controls/control_picture.h"

#include "controls/window_impl.h"
#include "imaging/draw_base.h"

void CControlPicture::SetResource(UINT id, const DisplayScale& scale) {
  id_ = id;
  scale_ = scale;
  image_.Release();
  tried_ = false;
}

void CControlPicture::Decode() const {
  if (tried_ || id_ == 0) return;
  tried_ = true;
  LoadPngResource(image_, static_cast<int>(id_), CWindowModule::Instance(), scale_);
}

CxImage& CControlPicture::Get() {
  Decode();
  return image_;
}

const CxImage& CControlPicture::Get() const {
  Decode();
  return image_;
}
