#include "page/mobile_info_wnd.h"

#include <cwchar>

#include "page/offscreen_buffer.h"
#include "page/page_protocol.h"
#include "page/page_values.h"
#include "page/page_views.h"
#include "picture/cache_names.h"
#include "picture/picture_cache.h"
#include "resources/resource.h"

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

constexpr wchar_t kReconnectCaption[] = L"重新连接";
constexpr RECT kReconnectRect = {340, 382, 462, 430};
constexpr RECT kReconnectCaptionRect = {340, 382, 462, 426};
constexpr UINT kPhoneBarId = 115;
constexpr UINT kCardBarId = 119;
constexpr RECT kPhoneBarRect = {46, 524, 246, 543};
constexpr RECT kCardBarRect = {308, 524, 508, 543};
constexpr RECT kBatteryRect = {589, 503, 798, 569};

// Two rows of four 80 x 90 tiles, 113 apart across and 104 apart down.
constexpr int kTileWidth = 80;
constexpr int kTileHeight = 90;
constexpr int kTileLeft = 122;
constexpr int kTileTop = 197;
constexpr int kTileStepX = 113;
constexpr int kTileStepY = 104;
constexpr int kTilesPerRow = 4;
constexpr const wchar_t* kTileLabels[] = {
    L"个应用", L"张图片", L"首音乐", L"个视频", L"本小说", L"个联系人", L"条短信", L"个游戏",
};

// The install button hangs from the top right: its caption box is (W - 200, 2, W - 128, 48)
// at 100 percent and its strip sizes it to one frame.
constexpr int kInstallFromRight = 200;
constexpr int kInstallCaptionWidth = 72;
constexpr int kInstallTop = 2;
constexpr int kInstallBottom = 48;

constexpr uint32_t ViewBit(PageView view) { return 1u << static_cast<int>(view); }
constexpr uint32_t kStatusViews =
    ViewBit(PageView::Idle) | ViewBit(PageView::Connecting) | ViewBit(PageView::ConnectFailed);
constexpr uint32_t kInformationViews = ViewBit(PageView::Connected) | ViewBit(PageView::GuardMissing);

// Each picture of the views, with the views that draw it.
const struct {
  CxImage CMobileInfoWnd::ViewImages::*image;
  int id;
  uint32_t views;
} kViewPictures[] = {
    {&CMobileInfoWnd::ViewImages::statusBackground, IDR_PNG_STATUS_BACKGROUND, kStatusViews},
    {&CMobileInfoWnd::ViewImages::idleHeading, IDR_PNG_IDLE_HEADING, ViewBit(PageView::Idle)},
    {&CMobileInfoWnd::ViewImages::smallPhone, IDR_PNG_SMALL_PHONE, kStatusViews},
    {&CMobileInfoWnd::ViewImages::usbCable, IDR_PNG_USB_CABLE, ViewBit(PageView::Idle)},
    {&CMobileInfoWnd::ViewImages::computer, IDR_PNG_COMPUTER, ViewBit(PageView::Idle) | ViewBit(PageView::Connecting)},
    {&CMobileInfoWnd::ViewImages::connectSteps, IDR_PNG_CONNECT_STEPS, ViewBit(PageView::Idle)},
    {&CMobileInfoWnd::ViewImages::connectingHeading, IDR_PNG_CONNECTING_HEADING, ViewBit(PageView::Connecting)},
    {&CMobileInfoWnd::ViewImages::currentDot, IDR_PNG_CURRENT_DOT, ViewBit(PageView::Connecting)},
    {&CMobileInfoWnd::ViewImages::restingRing, IDR_PNG_RESTING_RING, ViewBit(PageView::Connecting)},
    {&CMobileInfoWnd::ViewImages::failedHeading, IDR_PNG_FAILED_HEADING, ViewBit(PageView::ConnectFailed)},
    {&CMobileInfoWnd::ViewImages::infoBackground, IDR_PNG_INFO_BACKGROUND, kInformationViews},
    {&CMobileInfoWnd::ViewImages::topBand, IDR_PNG_TOP_BAND, kInformationViews},
    {&CMobileInfoWnd::ViewImages::infoCard, IDR_PNG_INFO_CARD, kInformationViews},
    {&CMobileInfoWnd::ViewImages::cardTab, IDR_PNG_CARD_TAB, kInformationViews},
    {&CMobileInfoWnd::ViewImages::connectedMark, IDR_PNG_CONNECTED_MARK, kInformationViews},
    {&CMobileInfoWnd::ViewImages::genericPhone, IDR_PNG_GENERIC_PHONE, kInformationViews},
};
static_assert(sizeof kViewPictures / sizeof kViewPictures[0] <= 32, "one bit each in imagesTried");

template <typename Proc>
Proc ProcOf(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

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

}  // namespace

CMobileInfoWnd::CMobileInfoWnd() : phoneInfo(EmptyPhoneInfo()) {}

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
      return keyboard.OnKeyDown(wParam, lParam);
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

void CMobileInfoWnd::OnCreate() {
  scale = DisplayScale::ForDpi(WindowDpi());
  LoadImages(ViewForState(phoneInfo.state));
  CreateFonts();
  CreateControls();
}

// Pictures are decoded again for the new scale as their views need them; the fonts keep their
// handles' addresses, which the controls hold.
void CMobileInfoWnd::OnDpiChanged() {
  const DisplayScale now = DisplayScale::ForDpi(WindowDpi());
  if (now == scale) return;
  scale = now;
  for (const auto& picture : kViewPictures) (images.*picture.image).Release();
  imagesTried = 0;
  LoadImages(ViewForState(phoneInfo.state));
  ScaleModelPicture();
  CreateFonts();
  LayOutControls();
  if (installButtonCreated) PlaceInstallButton();
  ApplyControlStep();
  InvalidateArea(nullptr);
  keyboard.OnViewChanged();
  accessibility.NotifyChanges();
}

// The button is laid out again only when it moves, as that decodes its strip again; a host
// resizing its window sends many sizes in a row.
void CMobileInfoWnd::OnSize() {
  RECT client;
  GetClientRect(Hwnd(), &client);
  frame.ReleaseOtherSizes(client.right - client.left, client.bottom - client.top);
  const RECT install = InstallButtonRect();
  const bool installMoves =
      installButtonCreated && (installButton.rect.left != install.left || installButton.rect.top != install.top);
  if (installMoves) PlaceInstallButton();
  InvalidateArea(nullptr);
  if (installMoves) accessibility.NotifyChanges();
}

void CMobileInfoWnd::CreateControls() {
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
  reconnectButton.Create(Hwnd(), kReconnectButtonId, nullptr, kReconnectCaption, IDR_PNG_RECONNECT_BUTTON,
                         scale.PxRect(kReconnectRect), scale.PxRect(kReconnectCaptionRect), font12.Address(), scale);
  phoneBar.Create(Hwnd(), kPhoneBarId, scale.PxRect(kPhoneBarRect), scale);
  cardBar.Create(Hwnd(), kCardBarId, scale.PxRect(kCardBarRect), scale);
  battery.Create(Hwnd(), scale.PxRect(kBatteryRect), font12Bold.Address(), scale);
  for (int i = 0; i < kTileCount; ++i) {
    const int left = kTileLeft + kTileStepX * (i % kTilesPerRow);
    const int top = kTileTop + kTileStepY * (i / kTilesPerRow);
    const RECT rect = {left, top, left + kTileWidth, top + kTileHeight};
    tiles[i].Create(Hwnd(), kFirstTileId + i, scale.PxRect(rect), IDR_PNG_TILE_APPS + i, kTileLabels[i],
                    font12Bold.Address(), scale);
  }
}

RECT CMobileInfoWnd::InstallButtonRect() const {
  RECT client;
  GetClientRect(Hwnd(), &client);
  const LONG left = client.right - scale.Px(kInstallFromRight);
  return {left, scale.Px(kInstallTop), left + scale.Px(kInstallCaptionWidth), scale.Px(kInstallBottom)};
}

void CMobileInfoWnd::PlaceInstallButton() {
  const RECT rect = InstallButtonRect();
  installButton.Create(Hwnd(), kInstallButtonId, nullptr, L"", IDR_PNG_INSTALL_BUTTON, rect, rect, font12Bold.Address(),
                       scale);
}

void CMobileInfoWnd::CreateInstallButton() {
  installButton.SetFourFrames(TRUE);
  PlaceInstallButton();
  installButton.visible = FALSE;
  AddControl(&installButton);
  installButtonCreated = true;
}

void CMobileInfoWnd::ApplyControlStep() {
  if (installButtonCreated) installButton.visible = FALSE;
  const PageView view = ViewForState(phoneInfo.state);
  const bool showsData = view == PageView::Connected || view == PageView::GuardMissing;
  if (view == PageView::GuardMissing) {
    if (!installButtonCreated) CreateInstallButton();
    installButton.visible = TRUE;
  }
  if (showsData) {
    phoneBar.SetValue(UsedPercent(phoneInfo.phoneTotalBytes, phoneInfo.phoneFreeBytes));
    cardBar.SetValue(UsedPercent(phoneInfo.cardTotalBytes, phoneInfo.cardFreeBytes));
    const int counts[kTileCount] = {
        phoneInfo.appCount,   phoneInfo.pictureCount, phoneInfo.musicCount, phoneInfo.videoCount,
        phoneInfo.novelCount, phoneInfo.contactCount, phoneInfo.smsCount,   CMobileIcon::kNotAvailable,
    };
    for (int i = 0; i < kTileCount; ++i) tiles[i].SetCount(counts[i]);
    battery.SetLevel(BatteryLevel(phoneInfo.batteryPercent));
  }
  reconnectButton.visible = view == PageView::ConnectFailed;
  if (!reconnectButton.visible) reconnectButton.CancelPress();
  if (installButtonCreated && !installButton.visible) installButton.CancelPress();
  phoneBar.visible = showsData;
  cardBar.visible = showsData;
  battery.visible = showsData;
  for (CMobileIcon& tile : tiles) tile.visible = showsData;
}

void CMobileInfoWnd::LoadImages(PageView view) {
  uint32_t bit = 1;
  for (const auto& picture : kViewPictures) {
    if ((picture.views & ViewBit(view)) != 0 && (imagesTried & bit) == 0) {
      imagesTried |= bit;
      LoadPngResource(images.*picture.image, picture.id, CWindowModule::Instance(), scale);
    }
    bit <<= 1;
  }
  if ((ViewBit(view) & kInformationViews) != 0) {
    // Their controls show with these views: decoded here, their first paint decodes nothing.
    phoneBar.LoadPictures();
    cardBar.LoadPictures();
    battery.LoadPictures();
    for (CMobileIcon& tile : tiles) tile.LoadPictures();
  }
}

void CMobileInfoWnd::CreateFonts() {
  font12.Reset(MakePageFont(scale.Px(12), FW_NORMAL));
  font12Bold.Reset(MakePageFont(scale.Px(12), FW_BOLD));
  font14.Reset(MakePageFont(scale.Px(14), FW_NORMAL));
  font14Bold.Reset(MakePageFont(scale.Px(14), FW_BOLD));
  font16Bold.Reset(MakePageFont(scale.Px(16), FW_BOLD));
  font26Bold.Reset(MakePageFont(scale.Px(26), FW_BOLD));
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
  frame.Recompose([this](const RECT& rect) { PaintPage(frame.Dc(), &rect); });
  return true;
}

void CMobileInfoWnd::DoPaint(HDC dc) { PaintPage(dc, nullptr); }

void CMobileInfoWnd::PaintPage(HDC dc, const RECT* keptRect) {
  ScopedSaveDC saved(dc);
  RECT client;
  GetClientRect(Hwnd(), &client);
  const PageView view = ViewForState(phoneInfo.state);
  const bool whole = keptRect != nullptr && keptRect->left <= client.left && keptRect->top <= client.top &&
                     keptRect->right >= client.right && keptRect->bottom >= client.bottom;
  const CKeptSurface* backdrop = keptRect != nullptr ? KeptBackdrop(view, whole) : nullptr;
  if (backdrop != nullptr) {
    CPageFrame::CopyBackdrop(dc, *backdrop, *keptRect);
  } else {
    DrawBackdrop(dc, client, view);
  }
  DrawViewContent(dc, *this, view);
  DrawControls(dc);
  keyboard.DrawFocus(dc);
}

void CMobileInfoWnd::DrawBackdrop(HDC dc, const RECT& client, PageView view) {
  const COLORREF previous = SetBkColor(dc, kBackgroundColor);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
  SetBkColor(dc, previous);
  DrawViewBackdrop(dc, *this, view);
}

const CKeptSurface* CMobileInfoWnd::KeptBackdrop(PageView view, bool whole) {
  const bool information = view == PageView::Connected || view == PageView::GuardMissing;
  const uint64_t stamp = information
                             ? uint64_t{images.infoBackground.Stamp()} + images.topBand.Stamp() +
                                   images.infoCard.Stamp() + images.cardTab.Stamp() + images.connectedMark.Stamp()
                             : images.statusBackground.Stamp();
  return frame.Backdrop(information ? BackdropKind::Information : BackdropKind::Status, stamp, whole, [&](HDC dc) {
    ScopedSaveDC saved(dc);
    RECT client;
    GetClientRect(Hwnd(), &client);
    DrawBackdrop(dc, client, view);
  });
}

uint64_t CMobileInfoWnd::PictureStamp() const {
  static constexpr CxImage ViewImages::*kPictures[] = {
      &ViewImages::statusBackground,  &ViewImages::idleHeading,    &ViewImages::smallPhone,
      &ViewImages::usbCable,          &ViewImages::computer,       &ViewImages::connectSteps,
      &ViewImages::connectingHeading, &ViewImages::currentDot,     &ViewImages::restingRing,
      &ViewImages::failedHeading,     &ViewImages::infoBackground, &ViewImages::topBand,
      &ViewImages::infoCard,          &ViewImages::cardTab,        &ViewImages::connectedMark,
      &ViewImages::genericPhone,
  };
  static_assert(sizeof kPictures / sizeof kPictures[0] * sizeof(CxImage) == sizeof(ViewImages),
                "every picture of the views counts");
  // Stamps only grow, so any change makes the sum grow.
  uint64_t stamp = uint64_t{modelPicture.Stamp()} + scaledModelPicture.Stamp();
  for (CxImage ViewImages::*picture : kPictures) stamp += (images.*picture).Stamp();
  return stamp;
}

void CMobileInfoWnd::InvalidateArea(const RECT* rect) {
  if (rect != nullptr) {
    frame.Damage(*rect);
  } else {
    frame.DamageAll();
  }
  if (Hwnd() != nullptr) InvalidateRect(Hwnd(), rect, FALSE);
}

void CMobileInfoWnd::PrepareTexts() {
  const std::u16string title = TitleText(phoneInfo);
  texts.title.assign(title.begin(), title.end());
  const std::u16string phoneFree = FreeSpaceText(phoneInfo.phoneFreeBytes);
  texts.phoneFree.assign(phoneFree.begin(), phoneFree.end());
  const std::u16string cardFree = FreeSpaceText(phoneInfo.cardFreeBytes);
  texts.cardFree.assign(cardFree.begin(), cardFree.end());
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
  ApplyPhoneState();
  return 1;
}

void CMobileInfoWnd::ApplyPictureStep() {
  const PageView view = ViewForState(phoneInfo.state);
  if (view != PageView::Connected && view != PageView::GuardMissing) {
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
  // The size the views draw it at: the scaled size, halved on each side of the anchor.
  const int width = 2 * (scale.Px(static_cast<int>(modelPicture.Width())) / 2);
  const int height = 2 * (scale.Px(static_cast<int>(modelPicture.Height())) / 2);
  if (width <= 0 || height <= 0) return;
  if (!modelPicture.SmoothResampleInto(static_cast<uint32_t>(width), static_cast<uint32_t>(height),
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
  PrepareTexts();
  ReloadModelPicture();
  InvalidateArea(nullptr);
  accessibility.NotifyChanges();
  return 0;
}

// The announcements and the lookup need memory, so they come last: should one fail, the page
// still shows the whole record, and the next record announces and looks up again.
void CMobileInfoWnd::ApplyPhoneState() {
  LoadImages(ViewForState(phoneInfo.state));  // before anything paints or describes the view
  PrepareTexts();
  ApplyControlStep();
  animStep = 0;
  if (static_cast<PageState>(phoneInfo.state) == PageState::Connecting) {
    SetTimer(Hwnd(), kAnimationTimerId, kAnimationPeriodMs, nullptr);  // restarts a running one
  } else {
    KillTimer(Hwnd(), kAnimationTimerId);
  }
  InvalidateArea(nullptr);
  const bool focusMoved = keyboard.OnViewChanged();
  accessibility.NotifyChanges();
  // A hook in this thread that heard of the change may have destroyed the window.
  if (Hwnd() == nullptr) return;
  if (focusMoved) keyboard.AnnounceFocus();
  if (Hwnd() == nullptr) return;
  ApplyPictureStep();
}

void CMobileInfoWnd::OnTimer(UINT_PTR timerId) {
  if (timerId != kAnimationTimerId) return;
  const uint32_t previous = animStep;
  animStep = (animStep + 1) % kAnimationSteps;
  InvalidateDot(previous);
  InvalidateDot(animStep);
}

// Both pictures a dot can show, as the step moves on or off it.
void CMobileInfoWnd::InvalidateDot(uint32_t step) {
  RECT current;
  RECT resting;
  if (!AnimationDotRects(*this, step, current, resting)) {
    InvalidateArea(nullptr);
    return;
  }
  InvalidateArea(&current);
  InvalidateArea(&resting);
}

void CMobileInfoWnd::OnCommand(WPARAM wParam) {
  const UINT id = LOWORD(wParam);
  const UINT code = HIWORD(wParam);
  if (id == kReconnectButtonId && code == 0) {
    Reconnect();
  } else if (id == kInstallButtonId && code == 0) {
    RequestGuardInstall();
  } else if (id >= kFirstTileId && id <= kLastTileId) {
    NavigateToPage(id);  // whatever the notification code
  }
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
  ApplyPhoneState();
}

void CMobileInfoWnd::RequestGuardInstall() {
  HWND service = FindWindowW(kPhoneServiceClass, nullptr);
  if (service != nullptr && IsWindow(service)) PostMessageW(service, kInstallRequestMessage, 0, 0);
}
