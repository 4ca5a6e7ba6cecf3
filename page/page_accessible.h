// What the page tells assistive technology: the visible elements of its current view, an
// IAccessible over them for WM_GETOBJECT, and WinEvents when the view or its values change.
// oleacc is loaded at run time, so the module still starts on a system without it.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "page/phone_info.h"

class CMobileInfoWnd;
class CPageAccessible;

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

class CPageAccessibility {
 public:
  explicit CPageAccessibility(CMobileInfoWnd& page) : page_(page) {}
  ~CPageAccessibility();
  CPageAccessibility(const CPageAccessibility&) = delete;
  CPageAccessibility& operator=(const CPageAccessibility&) = delete;

  // WM_GETOBJECT. False leaves the message to the default procedure.
  bool OnGetObject(WPARAM flags, LPARAM objectId, LRESULT& result);
  // After the page applied a record or a new model name: a new view reorders the client's
  // children, a changed element raises its name or value change.
  void NotifyChanges();
  // The window is going: calls on references still held elsewhere fail from now on.
  void Disconnect();

 private:
  CMobileInfoWnd& page_;
  CPageAccessible* object_ = nullptr;
  bool announced_ = false;  // until the first change the page shows its idle view
  PageView lastView_ = PageView::Idle;
  std::vector<PageElement> lastElements_;
};
