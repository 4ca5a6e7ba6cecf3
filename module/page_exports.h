// The four functions a host finds by name in the page module, all cdecl, and their pointer
// types: the published declarations.
#pragma once

#include "include/mobile_info_page.h"
