// The page window's private messages. They are sent from picture/, controls/ and page/ alike
// but all reach the one page window, so their numbers are kept here, apart from each other.
#pragma once

#include <windows.h>

#include <cstddef>
#include <iterator>

// Worker to page: a model's profile and picture are cached (wParam the record, lParam the kind).
constexpr UINT WM_PROFILE_READY = WM_USER + 1;
// The control host's own; it answers 1 and nothing else, as the window framework always has.
constexpr UINT WM_CONTROL_HOST_PRIVATE = WM_USER + 2;
// Posted by a default action (wParam the command id), so that a client's call returns first.
constexpr UINT WM_PAGE_DEFAULT_ACTION = WM_USER + 3;
// A control's repaint, its rectangle packed in 16-bit halves so that a forged one only repaints.
constexpr UINT WM_CONTROL_REPAINT = WM_USER + 4;

constexpr bool PageMessagesAreDistinct() {
  constexpr UINT messages[] = {WM_PROFILE_READY, WM_CONTROL_HOST_PRIVATE, WM_PAGE_DEFAULT_ACTION, WM_CONTROL_REPAINT};
  for (size_t i = 0; i < std::size(messages); ++i) {
    for (size_t j = i + 1; j < std::size(messages); ++j) {
      if (messages[i] == messages[j]) return false;
    }
  }
  return true;
}
static_assert(PageMessagesAreDistinct(), "two of the page's private messages share a number");
