// The views a paint draws for the page's states, in client coordinates, over the page's
// background fill and under its controls. Each picture is skipped while its image is empty.
#pragma once

#include <windows.h>

#include <cstdint>

#include "page/phone_info.h"

class CMobileInfoWnd;

// The first steps of a view, which show nothing but its pictures stretched or placed over the
// client area: the same for every record of the view, so the page may keep them.
void DrawViewBackdrop(HDC target, CMobileInfoWnd& page, PageView view);
// The rest of the view, over its backdrop.
void DrawViewContent(HDC target, CMobileInfoWnd& page, PageView view);

// Where the connecting view draws dot `step` highlighted and resting; false when it draws no
// dots for want of a picture.
bool AnimationDotRects(CMobileInfoWnd& page, uint32_t step, RECT& current, RECT& resting);
