// The visible elements of the page's current view as assistive technology is told of them:
// names, roles, values and where they are drawn; and, without their words, the ones a click
// acts on, for the keyboard.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <array>
#include <cstddef>
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

// An element of PageElements that a click acts on, as the keyboard moves over it.
struct FocusElement {
  UINT commandId = 0;
  LONG role = 0;
  RECT rect = {0, 0, 0, 0};
  LONG childId = CHILDID_SELF;  // its child id among PageElements
};

// The page's two buttons and eight tiles.
constexpr size_t kMaxFocusElements = 10;

// A fixed list, so that the keyboard never allocates to move a focus.
class FocusList {
 public:
  bool empty() const { return count_ == 0; }
  size_t size() const { return count_; }
  const FocusElement* begin() const { return items_.data(); }
  const FocusElement* end() const { return items_.data() + count_; }
  const FocusElement& operator[](size_t index) const { return items_[index]; }
  const FocusElement& front() const { return items_[0]; }
  const FocusElement& back() const { return items_[count_ - 1]; }

  // Null for 0 and for an element that is not shown.
  const FocusElement* Find(UINT commandId) const;
  // CHILDID_SELF when no element has `commandId`.
  LONG ChildIdOf(UINT commandId) const;
  void Add(const FocusElement& element);

 private:
  std::array<FocusElement, kMaxFocusElements> items_ = {};
  size_t count_ = 0;
};

// The elements of PageElements that a click acts on, in the same order.
FocusList FocusOrder(CMobileInfoWnd& page) noexcept;
