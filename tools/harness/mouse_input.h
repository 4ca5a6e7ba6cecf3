// Clicks as a person makes them: real mouse input through the system's input queue, and the
// same click as posted window messages for platforms that do not deliver synthetic input.
#pragma once

#include <windows.h>

// Moves the pointer to a screen point, presses and releases the left button there.
bool SendClickInput(POINT screen);
// Posts the move, press and release that the click makes, at a client point of `window`.
bool PostClickMessages(HWND window, POINT client);
