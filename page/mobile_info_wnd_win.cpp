#include "page/mobile_info_wnd.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <optional>

#include "page/offscreen_buffer.h"
#include "page/page_protocol.h"
#include "page/page_values.h"
#include "picture/cache_names.h"
#include "picture/picture_cache.h"
#include "resources/resource.h"
#include "util/proc_address.h"

namespace {

const WindowClassInfo kPageClass = {
    kPageWindowClassPrefix,
    CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
    COLOR_WINDOW,
    IDC_ARROW,
};

// WM_DPICHANGED_AFTERPARENT, which the headers for the oldest supported system do not declare.
constexpr UINT kDpiChangedAfterParent = 0x02E3;

constexpr DWORD kPageStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

static_assert(CMobileIcon::kNotAvailable == kTileNotAvailable, "the tile shows dashes for the model's missing count");

constexpr UINT kPhoneBarId = 115;
constexpr UINT kCardBarId = 119;

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return 0;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

HFONT MakePageFont(int height, int weight) {
  return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

PageSize SizeOf(const CxImage& image) {
  if (!image.IsValid()) return {};
  return {static_cast<int32_t>(image.Width()), static_cast<int32_t>(image.Height())};
}

PageSize SizeOf(const RECT& rect) { return {rect.right - rect.left, rect.bottom - rect.top}; }

// As CF_UNICODETEXT, in memory the clipboard owns once it took it.
bool PutOnClipboard(HWND owner, const std::u16string& text) {
  const size_t bytes = (text.size() + 1) * sizeof(char16_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) return false;
  void* to = GlobalLock(memory);
  if (to == nullptr) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(to, text.c_str(), bytes);
  GlobalUnlock(memory);
  if (!OpenClipboard(owner)) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  if (!placed) GlobalFree(memory);
  return placed;
}

}  // namespace

CMobileInfoWnd::CMobileInfoWnd() : phoneInfo(EmptyPhoneInfo()) {}

// Measures as the painter draws.
PageSize CMobileInfoWnd::CTextMeasure::Measure(PageFont font, std::u16string_view text) {
  for (size_t i = 0; i < keptCount_; ++i) {
    if (kept_[i].font == font && kept_[i].text == text) return kept_[i].size;
  }
  const HDC dc = Dc();
  if (dc == nullptr) return {};
  ScopedSaveDC saved(dc);
  const SharedFont& shared = fonts_[static_cast<size_t>(font)];
  SelectObject(dc, shared != nullptr ? shared->Get() : nullptr);
  RECT extent = {0, 0, 1, 1};
  DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()), &extent,
            DT_CALCRECT | DT_BOTTOM | DT_NOPREFIX);
  Measured& slot = kept_[nextSlot_];
  nextSlot_ = (nextSlot_ + 1) % kKept;
  keptCount_ = std::max(keptCount_, nextSlot_ == 0 ? kKept : nextSlot_);
  slot.font = font;
  slot.text.assign(text);
  slot.size = SizeOf(extent);
  return slot.size;
}

HDC CMobileInfoWnd::CTextMeasure::Dc() {
  if (!dc_) dc_.emplace(nullptr);
  return dc_->Get();
}

void CMobileInfoWnd::CTextMeasure::Forget() {
  keptCount_ = 0;
  nextSlot_ = 0;
}

CMobileInfoWnd::~CMobileInfoWnd() = default;

HWND CMobileInfoWnd::Create(HWND parent) {
  if (Hwnd() != nullptr) return Hwnd();
  if (windowMade || parent == nullptr || !IsWindow(parent)) return nullptr;
  HWND hwnd = CreateWindowOfClass(kPageClass, parent, kPageStyle, 0);
  windowMade = hwnd != nullptr;
  return hwnd;
}

BOOL CMobileInfoWnd::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                                          DWORD mapId) {
  if (CVinWnd::ProcessWindowMessage(hwnd, message, wParam, lParam, result, mapId)) return TRUE;
  if (mapId != 0) return FALSE;
  result = 0;
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return TRUE;
    case kDpiChangedAfterParent:
      OnDpiChanged();
      return TRUE;
    case WM_ERASEBKGND:
      result = 1;  // every paint covers the whole client area
      return TRUE;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      OnPaint(reinterpret_cast<HDC>(wParam));
      return TRUE;
    case WM_COPYDATA:
      result = OnPhoneData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
      return TRUE;
    case WM_TIMER:
      OnTimer(wParam);
      return TRUE;
    case WM_COMMAND:
      OnCommand(wParam);
      return TRUE;
    case WM_PROFILE_READY:
      result = OnProfileReady(wParam, lParam);
      return TRUE;
    case WM_GETOBJECT:
      return accessibility.OnGetObject(wParam, lParam, result);
    case WM_PAGE_DEFAULT_ACTION:
      accessibility.OnDefaultAction(static_cast<UINT>(wParam));
      return TRUE;
    case WM_GETDLGCODE:
      result = keyboard.OnGetDlgCode(reinterpret_cast<const MSG*>(lParam));
      return TRUE;
    case WM_KEYDOWN:
      if (wParam == 'C' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) {
        CopyDetails();
        return TRUE;
      }
      return keyboard.OnKeyDown(wParam, lParam);
    case WM_CONTEXTMENU:
      ShowDetailsMenu(lParam);
      return TRUE;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      keyboard.OnFocusChanged(message == WM_SETFOCUS);
      return FALSE;
    case WM_UPDATEUISTATE:
      keyboard.OnUpdateUiState(wParam);
      return FALSE;  // the default procedure keeps the system's copy
    case WM_QUERYUISTATE:
      result = keyboard.QueryUiState();
      return TRUE;
    case WM_LBUTTONDOWN:
      keyboard.OnLButtonDown(lParam);  // after the controls have had it
      return FALSE;
    case WM_SIZE:
      OnSize();
      return FALSE;
    case WM_SETTINGCHANGE:
      OnSettingChange();
      InvalidateArea(nullptr);
      return FALSE;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
    case WM_FONTCHANGE:
    case WM_DISPLAYCHANGE:
      // The kept frame may show what the system no longer does.
      InvalidateArea(nullptr);
      return FALSE;
    case WM_NCDESTROY:
      accessibility.Disconnect();
      frame.Release();
      return FALSE;
    default:
      return FALSE;
  }
}

int CMobileInfoWnd::WindowDpi() const {
  using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
  static const GetDpiForWindowProc getDpiForWindow =
      ProcOf<GetDpiForWindowProc>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
  if (getDpiForWindow != nullptr && Hwnd() != nullptr) {
    const UINT dpi = getDpiForWindow(Hwnd());
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return ScreenDpi();
}

bool CMobileInfoWnd::ClientAnimationsOn() const {
  BOOL on = TRUE;
  // Where the system cannot say, it animates, as Windows does by default.
  return !SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &on, 0) || on != FALSE;
}

void CMobileInfoWnd::OnCreate() {
  scale = DisplayScale::ForDpi(WindowDpi());
  animationsOn = ClientAnimationsOn();
  LoadImages(ViewForState(phoneInfo.state));
  CreateFonts();
  CreateControls();
}

// Pictures are decoded again for the new scale as their views need them; the controls are
// placed again and take the new fonts, and the old fonts go when the last control lets go.
void CMobileInfoWnd::OnDpiChanged() {
  const DisplayScale now = DisplayScale::ForDpi(WindowDpi());
  if (now == scale) return;
  scale = now;
  for (CxImage& picture : pictures) picture.Release();
  imagesTried = 0;
  LoadImages(ViewForState(phoneInfo.state));
  ScaleModelPicture();
  CreateFonts();
  LayOutControls();
  ApplyControlStep();
  InvalidateArea(nullptr);
  keyboard.OnViewChanged();
  accessibility.NotifyChanges();
}

// The button is laid out again only when it moves, as that decodes its strip again; a host
// resizing its window sends many sizes in a row.
void CMobileInfoWnd::OnSize() {
  const PageSize client = ClientSize();
  frame.ReleaseOtherSizes(client.cx, client.cy);
  const RECT install = ToRect(ControlPlace(PageControl::Install, 0, scale, client));
  const bool installMoves =
      installButtonCreated && (installButton.rect.left != install.left || installButton.rect.top != install.top);
  if (installMoves) PlaceInstallButton();
  InvalidateArea(nullptr);
  if (installMoves) accessibility.NotifyChanges();
}

void CMobileInfoWnd::CreateControls() {
  reconnectButton.Create(Hwnd(), kReconnectButtonId, nullptr, ToWide(ButtonCaption(PageControl::Reconnect)).c_str(),
                         IDR_PNG_RECONNECT_BUTTON);
  phoneBar.Create(Hwnd(), kPhoneBarId);
  cardBar.Create(Hwnd(), kCardBarId);
  battery.Create(Hwnd());
  for (int i = 0; i < kTileCount; ++i) {
    tiles[i].Create(Hwnd(), kFirstTileId + i, IDR_PNG_TILE_APPS + i, ToWide(TileLabel(i)).c_str());
  }
  LayOutControls();
  AddControl(&reconnectButton);
  AddControl(&phoneBar);
  AddControl(&cardBar);
  AddControl(&battery);
  for (CMobileIcon& tile : tiles) AddControl(&tile);
  reconnectButton.visible = FALSE;
  phoneBar.visible = FALSE;
  cardBar.visible = FALSE;
  battery.visible = FALSE;
  for (CMobileIcon& tile : tiles) tile.visible = FALSE;
}

void CMobileInfoWnd::LayOutControls() {
  const PageSize client = ClientSize();
  const auto place = [&](PageControl control, int index = 0) {
    return ToRect(ControlPlace(control, index, scale, client));
  };
  if (reconnectPlaced || ViewForState(phoneInfo.state) == PageView::ConnectFailed) PlaceReconnectButton();
  phoneBar.Place(place(PageControl::PhoneBar), scale);
  cardBar.Place(place(PageControl::CardBar), scale);
  battery.Place(place(PageControl::Battery), scale, SharedFontOf(PageFont::Bold12));
  for (int i = 0; i < kTileCount; ++i)
    tiles[i].Place(place(PageControl::Tile, i), scale, SharedFontOf(PageFont::Bold12));
  if (installButtonCreated) PlaceInstallButton();
}

// Placing it decodes its strip, which only the failed view draws.
void CMobileInfoWnd::PlaceReconnectButton() {
  const PageSize client = ClientSize();
  reconnectButton.Place(ToRect(ControlPlace(PageControl::Reconnect, 0, scale, client)),
                        ToRect(ButtonCaptionPlace(PageControl::Reconnect, scale, client)), scale,
                        SharedFontOf(PageFont::Regular12));
  reconnectPlaced = true;
}

void CMobileInfoWnd::PlaceInstallButton() {
  const RECT rect = ToRect(ControlPlace(PageControl::Install, 0, scale, ClientSize()));
  installButton.Place(rect, rect, scale, SharedFontOf(PageFont::Bold12));
}

void CMobileInfoWnd::CreateInstallButton() {
  installButton.Create(Hwnd(), kInstallButtonId, nullptr, L"", IDR_PNG_INSTALL_BUTTON);
  installButton.SetFourFrames(TRUE);
  PlaceInstallButton();
  installButton.visible = FALSE;
  AddControl(&installButton);
  installButtonCreated = true;
}

void CMobileInfoWnd::ApplyControlStep() {
  if (ViewForState(phoneInfo.state) == PageView::GuardMissing && !installButtonCreated) CreateInstallButton();
  const PageModel& shown = Model();
  const auto show = [&](CVinControl& control, PageControl kind, int index = 0) {
    const ViewElement* element = shown.Control(kind, index);
    control.visible = element != nullptr;
    return element;
  };
  if (const ViewElement* bar = show(phoneBar, PageControl::PhoneBar)) phoneBar.SetValue(bar->number);
  if (const ViewElement* bar = show(cardBar, PageControl::CardBar)) cardBar.SetValue(bar->number);
  if (const ViewElement* level = show(battery, PageControl::Battery)) battery.SetLevel(level->number);
  for (int i = 0; i < kTileCount; ++i) {
    if (const ViewElement* tile = show(tiles[i], PageControl::Tile, i)) tiles[i].SetCount(tile->number);
  }
  show(reconnectButton, PageControl::Reconnect);
  if (!reconnectButton.visible) reconnectButton.CancelPress();
  if (installButtonCreated) {
    show(installButton, PageControl::Install);
    if (!installButton.visible) installButton.CancelPress();
  }
}

void CMobileInfoWnd::LoadImages(PageView view) {
  for (size_t i = 0; i < kPagePictureCount; ++i) {
    const PagePictureSource& source = kPagePictureSources[i];
    const uint32_t bit = 1u << i;
    if ((source.views & ViewBit(view)) != 0 && (imagesTried & bit) == 0) {
      imagesTried |= bit;
      LoadPngResource(pictures[i], source.resourceId, CWindowModule::Instance(), scale);
    }
  }
  if (view == PageView::ConnectFailed && reconnectButton.IsCreated() && !reconnectPlaced) PlaceReconnectButton();
  if (ShowsPhone(view)) {
    // Their controls show with these views: decoded here, their first paint decodes nothing.
    phoneBar.LoadPictures();
    cardBar.LoadPictures();
    battery.LoadPictures();
    for (CMobileIcon& tile : tiles) tile.LoadPictures();
  }
}

void CMobileInfoWnd::CreateFonts() {
  textMeasure.Forget();
  for (size_t i = 0; i < kPageFontCount; ++i) {
    fonts[i] = ShareFont(MakePageFont(scale.Px(kPageFonts[i].height), kPageFonts[i].bold ? FW_BOLD : FW_NORMAL));
  }
}

// The screen gets a copy of the kept frame; only without one is the page drawn for the paint
// itself, as a paint that cannot keep anything still paints.
void CMobileInfoWnd::OnPaint(HDC given) {
  RECT client;
  GetClientRect(Hwnd(), &client);
  const bool kept = ComposeFrame(client);
  if (given != nullptr) {
    if (kept) {
      frame.CopyTo(given, client);
      return;
    }
    COffscreenBuffer buffer(given, client);
    DoPaint(buffer.Dc());
    return;
  }
  CScopedPaint paint(Hwnd());
  if (kept) {
    frame.CopyTo(paint.Dc(), paint.InvalidRect());
    return;
  }
  COffscreenBuffer buffer(paint.Dc(), paint.InvalidRect());
  DoPaint(buffer.Dc());
}

bool CMobileInfoWnd::ComposeFrame(const RECT& client) {
  if (!frame.Fit(client.right - client.left, client.bottom - client.top)) return false;
  // A picture loaded or reloaded anywhere repaints the page, whoever forgot to say so.
  const uint64_t stamp = PictureStamp();
  if (stamp != composedStamp) {
    frame.DamageAll();
    composedStamp = stamp;
  }
  // Once for all the damaged rectangles.
  const PageModel& shown = Model();
  const PagePaintSources sources = PaintSources();
  const ScopedSaveDC saved(frame.Dc());
  frame.Recompose([&](const RECT& rect) { PaintPage(frame.Dc(), client, &rect, shown, sources); });
  return true;
}

void CMobileInfoWnd::DoPaint(HDC dc) {
  RECT client;
  GetClientRect(Hwnd(), &client);
  const PageModel& shown = Model();
  PaintPage(dc, client, nullptr, shown, PaintSources());
}

void CMobileInfoWnd::PaintPage(HDC dc, const RECT& client, const RECT* keptRect, const PageModel& shown,
                               const PagePaintSources& sources) {
  // The kept frame's context is saved once around all its rectangles.
  std::optional<ScopedSaveDC> saved;
  if (keptRect == nullptr) saved.emplace(dc);
  const bool whole = keptRect != nullptr && keptRect->left <= client.left && keptRect->top <= client.top &&
                     keptRect->right >= client.right && keptRect->bottom >= client.bottom;
  const RECT& area = keptRect != nullptr ? *keptRect : client;
  const CKeptSurface* backdrop = keptRect != nullptr ? KeptBackdrop(shown, sources, whole) : nullptr;
  if (backdrop != nullptr) {
    CPageFrame::CopyBackdrop(dc, *backdrop, *keptRect);
  } else {
    PaintElements(dc, shown, sources, true, area);
  }
  PaintElements(dc, shown, sources, false, area);
  DrawControls(dc, area);
  keyboard.DrawFocus(dc);
}

const CKeptSurface* CMobileInfoWnd::KeptBackdrop(const PageModel& shown, const PagePaintSources& sources, bool whole) {
  const bool information = ShowsPhone(shown.View());
  uint64_t stamp = 0;
  for (const ViewElement& element : shown.Elements()) {
    if (element.backdrop && element.kind == ElementKind::Picture) {
      stamp += pictures[static_cast<size_t>(element.picture)].Stamp();
    }
  }
  return frame.Backdrop(information ? BackdropKind::Information : BackdropKind::Status, stamp, whole, [&](HDC dc) {
    ScopedSaveDC saved(dc);
    const PageSize size = ClientSize();
    PaintElements(dc, shown, sources, true, RECT{0, 0, size.cx, size.cy});
  });
}

PagePaintSources CMobileInfoWnd::PaintSources() {
  PagePaintSources sources;
  for (size_t i = 0; i < kPagePictureCount; ++i) sources.pictures[i] = &pictures[i];
  bool stretched = false;
  sources.phone = &PhonePicture(stretched);
  for (size_t i = 0; i < kPageFontCount; ++i) sources.fonts[i] = Font(static_cast<PageFont>(i));
  sources.slicer = this;
  return sources;
}

// The model's own picture is drawn resampled for the page's scale, or, when that could not be
// made, stretched to the scale times its size by the nearest rule; the generic phone is drawn
// for the scale already.
const CxImage& CMobileInfoWnd::PhonePicture(bool& stretched) const {
  stretched = false;
  if (const CxImage* scaled = ScaledModelPicture()) return *scaled;
  if (!modelPicture.IsValid()) return pictures[static_cast<size_t>(PagePicture::GenericPhone)];
  stretched = true;
  return modelPicture;
}

PageSize CMobileInfoWnd::ClientSize() const {
  RECT client = {0, 0, 0, 0};
  if (Hwnd() != nullptr) GetClientRect(Hwnd(), &client);
  return SizeOf(client);
}

PageModelInputs CMobileInfoWnd::ModelInputs() const {
  PageModelInputs inputs;
  inputs.phone = &phoneInfo;
  inputs.animStep = animStep;
  inputs.scale = scale;
  inputs.client = ClientSize();
  for (size_t i = 0; i < kPagePictureCount; ++i) inputs.pictures[i] = SizeOf(pictures[i]);
  bool stretched = false;
  const PageSize phone = SizeOf(PhonePicture(stretched));
  inputs.phonePicture = stretched ? PhotoSizeAt(phone, scale) : phone;
  inputs.reconnectFrame = SizeOf(reconnectButton.rect);
  if (installButtonCreated) inputs.installFrame = SizeOf(installButton.rect);
  return inputs;
}

const PageModel& CMobileInfoWnd::Model() {
  const PageModelInputs inputs = ModelInputs();
  if (!modelMade || modelGeneration != recordGeneration || inputs != modelInputs) {
    model = PageModel(inputs, textMeasure);
    modelInputs = inputs;
    modelGeneration = recordGeneration;
    modelMade = true;
  }
  return model;
}

uint64_t CMobileInfoWnd::PictureStamp() const {
  // Stamps only grow, so any change makes the sum grow.
  uint64_t stamp = uint64_t{modelPicture.Stamp()} + scaledModelPicture.Stamp();
  for (const CxImage& picture : pictures) stamp += picture.Stamp();
  return stamp;
}

void CMobileInfoWnd::InvalidateModelChanges() {
  const PageModel& now = Model();
  if (!presentedMade || !ChangedElements(presented, now, changedElements)) {
    InvalidateArea(nullptr);
  } else {
    DamageList changed;
    const auto add = [&changed](const RECT& rect) { changed.Add({rect.left, rect.top, rect.right, rect.bottom}); };
    for (const size_t i : changedElements) {
      const ViewElement& was = presented.Elements()[i];
      const ViewElement& is = now.Elements()[i];
      // Within one view, scale and size a tile changes only its count.
      if (is.control == PageControl::Tile && is.index >= 0 && is.index < kTileCount) {
        add(tiles[is.index].CountChangeArea(was.number, is.number, textMeasure.Dc()));
        continue;
      }
      add(ReachOf(was));
      add(ReachOf(is));
    }
    InvalidateAreas(changed);
  }
  presented = now;
  presentedMade = true;
}

CVinControl* CMobileInfoWnd::ControlFor(PageControl control, int index) {
  switch (control) {
    case PageControl::Reconnect:
      return &reconnectButton;
    case PageControl::Install:
      return installButtonCreated ? &installButton : nullptr;
    case PageControl::PhoneBar:
      return &phoneBar;
    case PageControl::CardBar:
      return &cardBar;
    case PageControl::Battery:
      return &battery;
    case PageControl::Tile:
      return index >= 0 && index < kTileCount ? &tiles[index] : nullptr;
    case PageControl::None:
      break;
  }
  return nullptr;
}

RECT CMobileInfoWnd::ReachOf(const ViewElement& element) {
  if (element.kind == ElementKind::Words) return RECT{};  // drawn by its picture
  CVinControl* control = element.kind == ElementKind::Control ? ControlFor(element.control, element.index) : nullptr;
  return control != nullptr ? control->Reach(textMeasure.Dc()) : ToRect(element.rect);
}

void CMobileInfoWnd::InvalidateAreas(const DamageList& areas) {
  PageRect bounds;
  for (const PageRect& rect : areas) {
    frame.Damage(ToRect(rect));
    bounds = Bounds(bounds, rect);
  }
  // The screen gets one rectangle around them: the frame is right everywhere, and a region of
  // many costs the window system more than copying the pixels between.
  if (Hwnd() != nullptr && !bounds.Empty()) {
    const RECT rect = ToRect(bounds);
    InvalidateRect(Hwnd(), &rect, FALSE);
  }
}

void CMobileInfoWnd::InvalidateArea(const RECT* rect) {
  if (rect != nullptr) {
    frame.Damage(*rect);
  } else {
    frame.DamageAll();
  }
  if (Hwnd() != nullptr) InvalidateRect(Hwnd(), rect, FALSE);
}

LRESULT CMobileInfoWnd::OnPhoneData(const COPYDATASTRUCT* copyData) {
  if (copyData == nullptr || copyData->lpData == nullptr) return 0;
  PhoneInfo incoming;
  // The sender's buffer may be shorter than a record: refuse it rather than read past it.
  if (!TakePhoneInfo(copyData->lpData, copyData->cbData, incoming)) return 0;
  // Release the service before doing any work; its buffer is not touched after this.
  ReplyMessage(1);
  ApplyNewModelRule(profile, FieldText(incoming.model));
  phoneInfo = incoming;
  SetFieldText(phoneInfo.model, ShownModelName(profile));  // the profile's name, not the raw one
  RecordChanged();
  ApplyPhoneState();
  return 1;
}

void CMobileInfoWnd::ApplyPictureStep() {
  const PageView view = ViewForState(phoneInfo.state);
  if (!ShowsPhone(view)) {
    modelPicture.Release();  // the generic phone shows instead
    scaledModelPicture.Release();
    return;
  }
  if (profile.loaded == 1) {
    ReloadModelPicture();
  } else if (!profile.rawModel.empty()) {
    // The previous model's picture stays until the new profile arrives.
    StartLookup(downloadThread, Hwnd(), profile, FieldText(phoneInfo.defaultImageUrl));
  }
}

void CMobileInfoWnd::ReloadModelPicture() {
  CachedFileStamp stamp;
  // Taken before the file is read: a replacement racing the decode then only costs one more.
  const bool stamped = ReadCachedFileStamp(profile.localImagePath, stamp);
  if (stamped && modelPicture.IsValid() && stamp == modelPictureStamp) return;
  modelPicture.Release();
  modelPicture.LoadFromFile(WidePath(profile.localImagePath), CXIMAGE_FORMAT_PNG);
  modelPictureStamp = stamped && modelPicture.IsValid() ? stamp : CachedFileStamp{};
  ScaleModelPicture();
}

// Once per decode and scale, never per paint: the views then draw it one to one.
void CMobileInfoWnd::ScaleModelPicture() {
  scaledModelPicture.Release();
  if (scale.IsLogical() || !modelPicture.IsValid()) return;
  const PageSize size = PhotoSizeAt(SizeOf(modelPicture), scale);
  if (size.Empty()) return;
  if (!modelPicture.SmoothResampleInto(static_cast<uint32_t>(size.cx), static_cast<uint32_t>(size.cy),
                                       &scaledModelPicture)) {
    return;
  }
  scaledFromStamp = modelPicture.Stamp();
  scaledForScale = scale;
}

const CxImage* CMobileInfoWnd::ScaledModelPicture() const {
  const bool current = scaledModelPicture.IsValid() && modelPicture.IsValid() &&
                       scaledFromStamp == modelPicture.Stamp() && scaledForScale == scale;
  return current ? &scaledModelPicture : nullptr;
}

LRESULT CMobileInfoWnd::OnProfileReady(WPARAM wParam, LPARAM lParam) {
  if (lParam != kDownloadJobProfileAndPicture) return 0;
  {
    // Only a record one of our workers is sending right now is read; forged ones are not.
    CProfileClaim claim(Hwnd(), wParam);
    if (claim.Get() == nullptr) return 0;
    // A slow lookup of the phone before must not put its name and picture on this one.
    if (!SameModelName(claim.Get()->rawModel, profile.rawModel)) return 0;
    CopyProfile(profile, *claim.Get());
  }
  SetFieldText(phoneInfo.model, ShownModelName(profile));
  RecordChanged();
  ReloadModelPicture();
  InvalidateArea(nullptr);
  accessibility.NotifyChanges();
  return 0;
}

// The announcements and the lookup need memory, so they come last: should one fail, the page
// still shows the whole record, and the next record announces and looks up again.
void CMobileInfoWnd::ApplyPhoneState() {
  LoadImages(ViewForState(phoneInfo.state));  // before anything paints or describes the view
  ApplyControlStep();
  StartAnimation();  // a second connecting record starts it again
  InvalidateModelChanges();
  const bool focusMoved = keyboard.OnViewChanged();
  // Hooks in this thread hear of the change, and may destroy the window.
  const Watch watch(*this);
  accessibility.NotifyChanges();
  if (watch.Gone()) return;
  if (focusMoved) keyboard.AnnounceFocus();
  if (watch.Gone()) return;
  ApplyPictureStep();
}

void CMobileInfoWnd::StartAnimation() {
  const bool connecting = static_cast<PageState>(phoneInfo.state) == PageState::Connecting;
  animStep = connecting && !animationsOn ? kStillAnimationStep : 0;
  if (connecting && animationsOn) {
    // Restarts a running one.
    animating = SetTimer(Hwnd(), kAnimationTimerId, kAnimationPeriodMs, nullptr) != 0;
  } else if (animating) {
    // Only then: each call is a trip to the window system, and records come often.
    KillTimer(Hwnd(), kAnimationTimerId);
    animating = false;
  }
}

// The user turned animations off or on: the connecting view stops or starts at once.
void CMobileInfoWnd::OnSettingChange() {
  const bool on = ClientAnimationsOn();
  if (on == animationsOn) return;
  animationsOn = on;
  if (static_cast<PageState>(phoneInfo.state) != PageState::Connecting) return;
  StartAnimation();
  InvalidateModelChanges();
}

void CMobileInfoWnd::OnTimer(UINT_PTR timerId) {
  // A tick queued before the animation stopped moves nothing.
  if (timerId != kAnimationTimerId || animStep == kStillAnimationStep) return;
  const uint32_t previous = animStep;
  animStep = (animStep + 1) % kAnimationSteps;
  InvalidateDot(previous);
  InvalidateDot(animStep);
}

// Both pictures a dot can show, as the step moves on or off it.
void CMobileInfoWnd::InvalidateDot(uint32_t step) {
  PageRect current;
  PageRect resting;
  if (!AnimationDotRects(scale, SizeOf(pictures[static_cast<size_t>(PagePicture::CurrentDot)]),
                         SizeOf(pictures[static_cast<size_t>(PagePicture::RestingRing)]), step, current, resting)) {
    InvalidateArea(nullptr);
    return;
  }
  const RECT currentRect = ToRect(current);
  const RECT restingRect = ToRect(resting);
  InvalidateArea(&currentRect);
  InvalidateArea(&restingRect);
}

void CMobileInfoWnd::OnCommand(WPARAM wParam) {
  const UINT id = LOWORD(wParam);
  switch (ActionOf(id, HIWORD(wParam))) {
    case PageAction::Reconnect:
      Reconnect();
      break;
    case PageAction::RequestInstall:
      RequestGuardInstall();
      break;
    case PageAction::OpenHostPage:
      NavigateToPage(id);
      break;
    case PageAction::None:
      break;
  }
}

bool CMobileInfoWnd::CopyDetails() {
  const std::u16string text = PhoneDetailsText(phoneInfo, profile.rawModel);
  return !text.empty() && PutOnClipboard(Hwnd(), text);
}

void CMobileInfoWnd::ShowDetailsMenu(LPARAM at) {
  POINT point = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  if (at == -1) {
    // From the keyboard: under the focused element, else at the page's corner.
    const ViewElement* focused = Model().Pressable(keyboard.Focused());
    point = focused != nullptr ? POINT{focused->rect.left, focused->rect.bottom} : POINT{0, 0};
    ClientToScreen(Hwnd(), &point);
  }
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  const bool phone = ShowsPhone(ViewForState(phoneInfo.state));
  AppendMenuW(menu, MF_STRING | (phone ? MF_ENABLED : MF_GRAYED), kCopyDetailsCommand,
              reinterpret_cast<const wchar_t*>(kChineseDetailTexts.copyItem));
  // The menu runs a message loop of its own, in which the host may destroy the page.
  const Watch watch(*this);
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x, point.y, 0, Hwnd(), nullptr));
  DestroyMenu(menu);
  if (!watch.Gone() && chosen == kCopyDetailsCommand) CopyDetails();
}

void CMobileInfoWnd::NavigateToPage(UINT tileId) {
  HWND host = FindWindowW(kHostMainWindowClass, nullptr);
  const wchar_t* link = LinkForTile(tileId);
  if (host == nullptr || !IsWindow(host) || link == nullptr) return;
  COPYDATASTRUCT data = {};
  data.dwData = 0;
  data.cbData = static_cast<DWORD>((wcslen(link) + 1) * sizeof(wchar_t));
  data.lpData = const_cast<wchar_t*>(link);
  SendMessageW(host, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

void CMobileInfoWnd::Reconnect() {
  phoneInfo.state = static_cast<int32_t>(PageState::ReconnectRequested);
  RecordChanged();
  ApplyPhoneState();
}

void CMobileInfoWnd::RequestGuardInstall() {
  HWND service = FindWindowW(kPhoneServiceClass, nullptr);
  if (service != nullptr && IsWindow(service)) PostMessageW(service, kInstallRequestMessage, 0, 0);
}
