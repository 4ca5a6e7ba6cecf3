// The page model's described elements in the system's terms: names as wide strings, roles as
// ROLE_SYSTEM values, rectangles as RECTs; and the pressable ones among them.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "page/page_window.h"

// One element as a screen reader is told of it; child id i + 1 is element i.
struct PageElement {
  std::wstring name;
  std::wstring value;  // empty: the element has none
  LONG role = ROLE_SYSTEM_STATICTEXT;
  RECT rect = {0, 0, 0, 0};  // client coordinates, where it is drawn
  UINT commandId = 0;        // what its click sends in WM_COMMAND; 0: a click does nothing
};

// The described elements of the current view in reading order.
std::vector<PageElement> PageElements(const PageModel& model);
std::vector<PageElement> PageElements(IPageWindow& page);

// Child id of the element a click on `commandId` belongs to; CHILDID_SELF when none.
LONG ChildIdOf(const std::vector<PageElement>& elements, UINT commandId);

LONG RoleOf(AccessRole role);

// An element that a click acts on, as the keyboard moves over it.
struct FocusElement {
  UINT commandId = 0;
  LONG role = 0;
  RECT rect = {0, 0, 0, 0};
  LONG childId = CHILDID_SELF;  // its child id among PageElements
};

// The elements that a click acts on, in reading order.
std::vector<FocusElement> FocusOrder(IPageWindow& page);
