// The views a paint draws for the page's states, in client coordinates, over the page's
// background fill and under its controls.
#pragma once

#include <windows.h>

class CMobileInfoWnd;

void DrawConnectedView(HDC target, const CMobileInfoWnd& page);
void DrawGuardMissingView(HDC target, const CMobileInfoWnd& page);
void DrawConnectingView(HDC target, const CMobileInfoWnd& page);
void DrawConnectFailedView(HDC target, const CMobileInfoWnd& page);
void DrawIdleView(HDC target, const CMobileInfoWnd& page);
