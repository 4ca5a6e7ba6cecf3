// What the page tells assistive technology: the visible elements of its current view, an
// IAccessible over them for WM_GETOBJECT, and WinEvents when the view or its values change.
// oleacc is loaded at run time, so the module still starts on a system without it.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <optional>

#include "page/page_elements.h"

class CPageAccessible;

#include "util/page_messages.h"

class CPageAccessibility {
 public:
  explicit CPageAccessibility(IPageWindow& page) : page_(page) {}
  ~CPageAccessibility();
  CPageAccessibility(const CPageAccessibility&) = delete;
  CPageAccessibility& operator=(const CPageAccessibility&) = delete;

  // WM_GETOBJECT. False leaves the message to the default procedure.
  bool OnGetObject(WPARAM flags, LPARAM objectId, LRESULT& result);
  // WM_PAGE_DEFAULT_ACTION: what a click on the element does, if a record that came after
  // the action was asked for has not hidden it.
  void OnDefaultAction(UINT commandId);
  // After the page applied a record or a new model name: a new view reorders the client's
  // children, a changed element raises its name or value change.
  void NotifyChanges();
  // The window is going: calls on references still held elsewhere fail from now on.
  void Disconnect();

 private:
  IPageWindow& page_;
  CPageAccessible* object_ = nullptr;
  std::optional<PageModel> announced_;  // none: a screen reader knows the idle view
  PageModel spare_;
};
