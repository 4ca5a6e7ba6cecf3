#include "page/page_views.h"

#include "page/mobile_info_wnd.h"

// The views' pictures and texts come with the page's artwork; until then each view is the
// background fill that DoPaint lays under it.
void DrawConnectedView(HDC, const CMobileInfoWnd&) {}
void DrawGuardMissingView(HDC, const CMobileInfoWnd&) {}
void DrawConnectingView(HDC, const CMobileInfoWnd&) {}
void DrawConnectFailedView(HDC, const CMobileInfoWnd&) {}
void DrawIdleView(HDC, const CMobileInfoWnd&) {}
