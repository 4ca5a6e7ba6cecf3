// The visible elements of the page's current view as assistive technology is told of them:
// names, roles, values and where they are drawn.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

class CMobileInfoWnd;

// One element as a screen reader is told of it; child id i + 1 is element i.
struct PageElement {
  std::wstring name;
  std::wstring value;  // empty: the element has none
  LONG role = ROLE_SYSTEM_STATICTEXT;
  RECT rect = {0, 0, 0, 0};  // client coordinates, where it is drawn
  UINT commandId = 0;        // what its click sends in WM_COMMAND; 0: a click does nothing
};

// The visible elements of the current view in reading order. Texts are measured the way the
// views measure them; pictures with words in them count only while they are drawn.
std::vector<PageElement> PageElements(CMobileInfoWnd& page);

// Child id of the element a click on `commandId` belongs to; CHILDID_SELF when none.
LONG ChildIdOf(const std::vector<PageElement>& elements, UINT commandId);
