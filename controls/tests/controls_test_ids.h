// Ids of the control tests' own pictures; the fixed ids the controls load themselves come from
// resources/resource.h. Plain defines so that the resource script can use them too.
#pragma once

#define IDR_TEST_STRIP_THREE 901  // 366 x 48, three frames
#define IDR_TEST_STRIP_FOUR 902   // 570 x 46, four frames and two spare columns
#define IDR_TEST_TILE_ICON 903    // 52 x 52
#define IDR_TEST_RECONNECT 904    // the page's own Reconnect strip: rounded, shaded edges
#define IDR_TEST_MISSING 999      // no such resource
