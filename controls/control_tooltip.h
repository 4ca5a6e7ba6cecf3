#pragma once

#include <windows.h>

// Tooltip windows of the controls that show tips. The tooltip is a popup: it dies with the
// owner's top-level window, not with the owner, so a control destroys its own.
HWND CreateControlTooltip(HWND owner);
void RelayToTooltip(HWND tooltip, HWND owner, UINT message, WPARAM wParam, LPARAM lParam);
void DestroyControlTooltip(HWND& tooltip);
