#include "page/page_elements.h"

LONG RoleOf(AccessRole role) {
  switch (role) {
    case AccessRole::PushButton:
      return ROLE_SYSTEM_PUSHBUTTON;
    case AccessRole::Link:
      return ROLE_SYSTEM_LINK;
    case AccessRole::ProgressBar:
      return ROLE_SYSTEM_PROGRESSBAR;
    case AccessRole::StaticText:
    case AccessRole::None:
      break;
  }
  return ROLE_SYSTEM_STATICTEXT;
}

std::vector<PageElement> PageElements(const PageModel& model) {
  std::vector<PageElement> elements(model.DescribedCount());
  for (size_t i = 0; i < elements.size(); ++i) {
    const ViewElement& described = model.Described(i);
    PageElement& element = elements[i];
    element.name = ToWide(described.name);
    element.value = ToWide(described.value);
    element.role = RoleOf(described.role);
    element.rect = ToRect(described.rect);
    element.commandId = described.command;
  }
  return elements;
}

std::vector<PageElement> PageElements(IPageWindow& page) { return PageElements(page.Model()); }

LONG ChildIdOf(const std::vector<PageElement>& elements, UINT commandId) {
  if (commandId == 0) return CHILDID_SELF;
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i].commandId == commandId) return static_cast<LONG>(i + 1);
  }
  return CHILDID_SELF;
}

std::vector<FocusElement> FocusOrder(IPageWindow& page) {
  const PageModel& model = page.Model();
  std::vector<FocusElement> order;
  for (size_t i = 0; i < model.FocusCount(); ++i) {
    const ViewElement& element = model.Focusable(i);
    order.push_back({element.command, RoleOf(element.role), ToRect(element.rect), model.ChildIdOf(element.command)});
  }
  return order;
}
