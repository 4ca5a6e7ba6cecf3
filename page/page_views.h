// The views a paint draws for the page's states, in client coordinates, over the page's
// background fill and under its controls. Each picture is skipped while its image is empty.
#pragma once

#include <windows.h>

class CMobileInfoWnd;

void DrawConnectedView(HDC target, CMobileInfoWnd& page);
void DrawGuardMissingView(HDC target, CMobileInfoWnd& page);
void DrawConnectingView(HDC target, CMobileInfoWnd& page);
void DrawConnectFailedView(HDC target, CMobileInfoWnd& page);
void DrawIdleView(HDC target, CMobileInfoWnd& page);
