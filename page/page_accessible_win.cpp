#include "page/page_accessible.h"

#include <new>
#include <utility>

#include "page/page_elements.h"
#include "page/page_keyboard.h"
#include "util/proc_address.h"

namespace {

constexpr wchar_t kLinkAction[] = L"跳转";

DWORD WinEventOf(AccessEvent event) {
  switch (event) {
    case AccessEvent::Reorder:
      return EVENT_OBJECT_REORDER;
    case AccessEvent::NameChange:
      return EVENT_OBJECT_NAMECHANGE;
    case AccessEvent::ValueChange:
      return EVENT_OBJECT_VALUECHANGE;
    case AccessEvent::LocationChange:
      break;
  }
  return EVENT_OBJECT_LOCATIONCHANGE;
}
constexpr wchar_t kButtonAction[] = L"按下";

// oleacc stays loaded once found: stubs of marshalled objects may still call into it.
struct OleaccProcs {
  LRESULT(WINAPI* lresultFromObject)(REFIID, WPARAM, LPUNKNOWN) = nullptr;
  HRESULT(WINAPI* createStdAccessibleObject)(HWND, LONG, REFIID, void**) = nullptr;
};

const OleaccProcs& Oleacc() {
  static const OleaccProcs procs = [] {
    OleaccProcs found;
    if (HMODULE module = LoadLibraryW(L"oleacc.dll")) {
      found.lresultFromObject = ProcOf<decltype(found.lresultFromObject)>(module, "LresultFromObject");
      found.createStdAccessibleObject =
          ProcOf<decltype(found.createStdAccessibleObject)>(module, "CreateStdAccessibleObject");
    }
    return found;
  }();
  return procs;
}

// An in-process client may release the object after the host has freed the module, and
// Release runs this module's code: once an object is handed out, the module stays loaded.
void PinModule() {
  static bool pinned = false;
  if (pinned) return;
  HMODULE module = nullptr;
  pinned = GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(&pinned), &module) != FALSE;
}

}  // namespace

// The page's IAccessible: the client area with the elements as simple children. It holds the
// page weakly; once the window is gone every call fails instead of reaching the page.
class CPageAccessible final : public IAccessible {
 public:
  explicit CPageAccessible(IPageWindow& page) : page_(&page), hwnd_(page.Window().Hwnd()) {}
  CPageAccessible(const CPageAccessible&) = delete;
  CPageAccessible& operator=(const CPageAccessible&) = delete;

  void Disconnect() { page_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // No type information: clients call IAccessible directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    const HRESULT usable = Usable();
    if (FAILED(usable)) return usable;
    const auto create = Oleacc().createStdAccessibleObject;
    if (create == nullptr) return S_FALSE;
    const HRESULT made = create(hwnd_, OBJID_WINDOW, IID_IDispatch, reinterpret_cast<void**>(parent));
    return SUCCEEDED(made) && *parent != nullptr ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return WithElements([&](const std::vector<PageElement>& elements) {
      *count = static_cast<LONG>(elements.size());
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    // Every child is a simple element of this object.
    return WithChild(child, [](const std::vector<PageElement>&, const PageElement* element) {
      return element != nullptr ? S_FALSE : E_INVALIDARG;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Text(child, name, [](const std::vector<PageElement>& elements, const PageElement* element) {
      if (element != nullptr) return element->name;
      return elements.empty() ? std::wstring() : elements.front().name;  // the view's heading
    });
  }

  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return Text(child, value, [](const std::vector<PageElement>&, const PageElement* element) {
      return element != nullptr ? element->value : std::wstring();
    });
  }

  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override { return Absent(text); }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* text) override { return Absent(text); }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* text) override { return Absent(text); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
    if (topic != nullptr) *topic = 0;
    return Absent(file);
  }

  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Text(child, action, [](const std::vector<PageElement>&, const PageElement* element) {
      if (element == nullptr || element->commandId == 0) return std::wstring();
      return std::wstring(element->role == ROLE_SYSTEM_LINK ? kLinkAction : kButtonAction);
    });
  }

  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    role->vt = VT_EMPTY;
    return WithChild(child, [&](const std::vector<PageElement>&, const PageElement* element) {
      role->vt = VT_I4;
      role->lVal = element != nullptr ? element->role : ROLE_SYSTEM_CLIENT;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (state == nullptr) return E_POINTER;
    state->vt = VT_EMPTY;
    return WithChild(child, [&](const std::vector<PageElement>&, const PageElement* element) {
      const CPageKeyboard& keyboard = page_->Keyboard();
      LONG flags = 0;
      if (element == nullptr) {
        flags = STATE_SYSTEM_FOCUSABLE | (keyboard.HasFocus() ? STATE_SYSTEM_FOCUSED : 0);
      } else if (element->commandId != 0) {
        flags = STATE_SYSTEM_FOCUSABLE;
        if (keyboard.HasFocus() && keyboard.Focused() == element->commandId) flags |= STATE_SYSTEM_FOCUSED;
        if (element->role == ROLE_SYSTEM_LINK) flags |= STATE_SYSTEM_LINKED;
      } else {
        flags = STATE_SYSTEM_READONLY;
      }
      state->vt = VT_I4;
      state->lVal = flags;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) return E_POINTER;
    focus->vt = VT_EMPTY;
    return WithElements([&](const std::vector<PageElement>&) {
      const CPageKeyboard& keyboard = page_->Keyboard();
      if (!keyboard.HasFocus()) return S_FALSE;
      focus->vt = VT_I4;
      focus->lVal = page_->Model().ChildIdOf(keyboard.Focused());
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (selection == nullptr) return E_POINTER;
    selection->vt = VT_EMPTY;
    const HRESULT usable = Usable();
    return FAILED(usable) ? usable : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
    return WithChild(child, [&](const std::vector<PageElement>&, const PageElement* element) {
      if (flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
      if (element == nullptr) {
        SetFocus(hwnd_);
        return GetFocus() == hwnd_ ? S_OK : S_FALSE;
      }
      if (element->commandId == 0) return DISP_E_MEMBERNOTFOUND;
      return page_->Keyboard().TakeFocus(element->commandId) ? S_OK : S_FALSE;
    });
  }

  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    *left = *top = *width = *height = 0;
    return WithChild(child, [&](const std::vector<PageElement>&, const PageElement* element) {
      RECT rect = {0, 0, 0, 0};
      if (element != nullptr) {
        rect = element->rect;
      } else {
        GetClientRect(hwnd_, &rect);
      }
      MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
      *left = rect.left;
      *top = rect.top;
      *width = rect.right - rect.left;
      *height = rect.bottom - rect.top;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) return E_POINTER;
    end->vt = VT_EMPTY;
    return WithChild(start, [&](const std::vector<PageElement>& elements, const PageElement* element) {
      const LONG count = static_cast<LONG>(elements.size());
      LONG to = 0;
      if (element == nullptr) {
        if (direction == NAVDIR_FIRSTCHILD) to = count > 0 ? 1 : 0;
        if (direction == NAVDIR_LASTCHILD) to = count;
      } else {
        const LONG from = static_cast<LONG>(element - elements.data()) + 1;
        if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) return E_INVALIDARG;
        if (direction == NAVDIR_NEXT) to = from < count ? from + 1 : 0;
        if (direction == NAVDIR_PREVIOUS) to = from - 1;
      }
      if (to == 0) return S_FALSE;
      end->vt = VT_I4;
      end->lVal = to;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* hit) override {
    if (hit == nullptr) return E_POINTER;
    hit->vt = VT_EMPTY;
    return WithElements([&](const std::vector<PageElement>& elements) {
      POINT point = {x, y};
      ScreenToClient(hwnd_, &point);
      RECT client;
      GetClientRect(hwnd_, &client);
      if (!PtInRect(&client, point)) return S_FALSE;
      hit->vt = VT_I4;
      hit->lVal = CHILDID_SELF;
      for (size_t i = 0; i < elements.size(); ++i) {
        if (PtInRect(&elements[i].rect, point)) {
          hit->lVal = static_cast<LONG>(i + 1);
          break;
        }
      }
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return WithChild(child, [&](const std::vector<PageElement>&, const PageElement* element) {
      if (element == nullptr || element->commandId == 0) return DISP_E_MEMBERNOTFOUND;
      // Posted, so a client's call returns before the page acts.
      return PostMessageW(hwnd_, WM_PAGE_DEFAULT_ACTION, element->commandId, 0) ? S_OK : E_FAIL;
    });
  }

  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

 private:
  ~CPageAccessible() = default;

  HRESULT Usable() const {
    if (page_ == nullptr || !IsWindow(hwnd_)) return CO_E_OBJNOTCONNECTED;
    if (GetWindowThreadProcessId(hwnd_, nullptr) != GetCurrentThreadId()) return RPC_E_WRONG_THREAD;
    return S_OK;
  }

  // Runs `body` over the current elements. The methods' one catch: nothing thrown leaves the
  // object. The page outlives the call even if a host told of a focus change meanwhile lets
  // it go.
  template <typename Body>
  HRESULT WithElements(Body body) {
    const HRESULT usable = Usable();
    if (FAILED(usable)) return usable;
    const CWindowImplBase::KeepAlive alive(page_->Window());
    try {
      const std::vector<PageElement> elements = PageElements(*page_);
      return body(elements);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }

  // As WithElements, with the addressed element; null for the client itself.
  template <typename Body>
  HRESULT WithChild(const VARIANT& child, Body body) {
    return WithElements([&](const std::vector<PageElement>& elements) {
      if (child.vt != VT_I4 || child.lVal < 0 || static_cast<size_t>(child.lVal) > elements.size()) {
        return E_INVALIDARG;
      }
      const PageElement* element = child.lVal == CHILDID_SELF ? nullptr : &elements[child.lVal - 1];
      return body(elements, element);
    });
  }

  // An empty text is reported as absent.
  template <typename Pick>
  HRESULT Text(const VARIANT& child, BSTR* out, Pick pick) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return WithChild(child, [&](const std::vector<PageElement>& elements, const PageElement* element) {
      const std::wstring text = pick(elements, element);
      if (text.empty()) return DISP_E_MEMBERNOTFOUND;
      *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    });
  }

  HRESULT Absent(BSTR* out) const {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    const HRESULT usable = Usable();
    return FAILED(usable) ? usable : DISP_E_MEMBERNOTFOUND;
  }

  LONG refs_ = 1;
  IPageWindow* page_;
  HWND hwnd_;
};

CPageAccessibility::~CPageAccessibility() { Disconnect(); }

bool CPageAccessibility::OnGetObject(WPARAM flags, LPARAM objectId, LRESULT& result) {
  if (static_cast<LONG>(objectId) != OBJID_CLIENT || page_.Window().Hwnd() == nullptr) return false;
  const auto lresultFromObject = Oleacc().lresultFromObject;
  if (lresultFromObject == nullptr) return false;
  if (object_ == nullptr) object_ = new (std::nothrow) CPageAccessible(page_);
  if (object_ == nullptr) return false;
  const LRESULT answer = lresultFromObject(IID_IAccessible, flags, static_cast<IAccessible*>(object_));
  // Without an object of ours (no COM on this thread, say) the system's client proxy answers.
  if (static_cast<HRESULT>(answer) < 0) return false;
  PinModule();
  result = answer;
  return true;
}

void CPageAccessibility::OnDefaultAction(UINT commandId) {
  if (page_.Model().Pressable(commandId) == nullptr) return;
  // Exactly the notification the element's click sends.
  SendMessageW(page_.Window().Hwnd(), WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

void CPageAccessibility::Disconnect() {
  CPageAccessible* object = std::exchange(object_, nullptr);
  if (object == nullptr) return;
  object->Disconnect();
  // Drops the references that stubs for out-of-process clients still hold.
  CoDisconnectObject(static_cast<IAccessible*>(object), 0);
  object->Release();
}

void CPageAccessibility::NotifyChanges() {
  HWND hwnd = page_.Window().Hwnd();
  if (hwnd == nullptr) return;
  const PageModel& now = page_.Model();
  // Made before anything is raised: should it fail, the next call compares with the last
  // model announced. A hook that hears of an event may change the page's model.
  const std::vector<AccessChange> changes = AccessChanges(announced_ ? &*announced_ : nullptr, now);
  // Into the storage of the model announced before the last: once warm, a record's copy
  // allocates nothing.
  spare_ = now;
  const CWindowImplBase::Watch watch(page_.Window());
  for (const AccessChange& change : changes) {
    // A hook running in this thread may destroy the window while it hears of one event.
    if (watch.Gone()) break;
    NotifyWinEvent(WinEventOf(change.event), hwnd, OBJID_CLIENT, change.child);
  }
  if (announced_) {
    std::swap(*announced_, spare_);
  } else {
    announced_.emplace(std::move(spare_));
  }
}
