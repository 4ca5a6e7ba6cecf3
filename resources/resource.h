// Ids of the module's pictures, resources of type "PNG" at 100 percent and of types "PNG125"
// to "PNG200" at the larger scales, same ids; sizes below are at 100 percent. Plain defines so
// that the resource script can use them too.
#pragma once

#define IDR_PNG_STATUS_BACKGROUND 101  // 741 x 526, 64 colours: idle, connecting, failed
#define IDR_PNG_GENERIC_PHONE 102      // 204 x 373: when there is no model picture
#define IDR_PNG_USB_CABLE 103          // 234 x 21
#define IDR_PNG_PROGRESS_KNOB 105      // 19 x 19
#define IDR_PNG_PROGRESS_FILL 106      // 16 x 16
#define IDR_PNG_SMALL_PHONE 109        // 65 x 106
#define IDR_PNG_INFO_CARD 112          // 60 x 337, drawn in three slices
#define IDR_PNG_BATTERY_BODY 115       // 91 x 48
#define IDR_PNG_BATTERY_FILL 116       // 79 x 33
#define IDR_PNG_IDLE_HEADING 120       // 23 high
#define IDR_PNG_CONNECT_STEPS 122      // 659 x 103
#define IDR_PNG_RECONNECT_BUTTON 126   // 366 x 48, three frames
#define IDR_PNG_CONNECTED_MARK 128     // 41 x 40
#define IDR_PNG_BATTERY_GLOW 129       // 209 x 66
#define IDR_PNG_TILE_APPS 130          // 52 x 52 each, 130 to 137
#define IDR_PNG_TILE_PICTURES 131
#define IDR_PNG_TILE_MUSIC 132
#define IDR_PNG_TILE_VIDEOS 133
#define IDR_PNG_TILE_NOVELS 134
#define IDR_PNG_TILE_CONTACTS 135
#define IDR_PNG_TILE_SMS 136
#define IDR_PNG_TILE_GAMES 137
#define IDR_PNG_COMPUTER 138            // 116 x 106
#define IDR_PNG_CONNECTING_HEADING 139  // 160 x 23
#define IDR_PNG_CURRENT_DOT 140         // 20 x 20
#define IDR_PNG_RESTING_RING 141        // 12 x 14
#define IDR_PNG_FAILED_HEADING 142      // 288 x 23
#define IDR_PNG_INFO_BACKGROUND 143     // 742 x 526, 64 colours
#define IDR_PNG_TOP_BAND 144            // 147 x 50, RGB, drawn in three slices
#define IDR_PNG_CARD_TAB 145            // 116 x 37
#define IDR_PNG_INSTALL_BUTTON 146      // 568 x 46, four frames
