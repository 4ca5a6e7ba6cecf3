// The page: a child window filling the host's container. It keeps what the page model is made
// from (the record, the pictures, the fonts, the controls), presents the model, and routes its
// messages first to the control host.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/mobile_icon.h"
#include "controls/vin_battery.h"
#include "controls/vin_button.h"
#include "controls/vin_control.h"
#include "controls/vin_progress_bar.h"
#include "controls/vin_wnd.h"
#include "imaging/draw_base.h"
#include "imaging/ximage.h"
#include "page/page_accessible.h"
#include "page/page_frame.h"
#include "page/page_keyboard.h"
#include "page/page_model.h"
#include "page/page_painter.h"
#include "page/page_window.h"
#include "page/phone_info.h"
#include "picture/download_thread.h"
#include "picture/model_profile.h"
#include "picture/picture_cache.h"
#include "util/display_scale.h"
#include "util/scoped_gdi.h"

class CMobileInfoWnd : public CVinWnd, public CDrawSpecific, public IPageWindow {
 public:
  static constexpr UINT_PTR kAnimationTimerId = 1;
  static constexpr UINT kAnimationPeriodMs = 1000;
  static constexpr uint32_t kAnimationSteps = 5;
  // The context menu's one item.
  static constexpr UINT kCopyDetailsCommand = 1;

  CMobileInfoWnd();
  ~CMobileInfoWnd() override;

  // Creates the page window as a child of `parent`. A page makes one window in its life:
  // while it exists, it is returned again; once it is gone, null.
  HWND Create(HWND parent);

  BOOL ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                            DWORD mapId) override;

  // Paints the whole page into `dc` in client coordinates.
  void DoPaint(HDC dc);

  // Every repaint the page asks for comes here, so that the kept frame learns what changed.
  void InvalidateArea(const RECT* rect) override;

  // The page's model: what it shows now. Made again when the record, the scale, the size, a
  // picture or a button's strip changed since the last.
  const PageModel& Model() override;
  CWindowImplBase& Window() override { return *this; }

  // The cached picture of the connected model, as decoded; empty while there is none.
  CxImage& ModelPicture() { return modelPicture; }
  // The model picture resampled for photographs to the size it is drawn at on the page's
  // scale, made when it is decoded and when the scale changes; null at 100 percent, or when it
  // could not be made or no longer matches: then the decoded picture is stretched as drawn.
  const CxImage* ScaledModelPicture() const;
  uint32_t AnimStep() const { return animStep; }
  const CVinProgressBar& PhoneBar() const { return phoneBar; }
  const CVinProgressBar& CardBar() const { return cardBar; }
  const CVinButton& ReconnectButton() const { return reconnectButton; }
  const CVinButton& InstallButton() const { return installButton; }
  bool InstallButtonCreated() const { return installButtonCreated; }
  const CVinBattery& Battery() const { return battery; }
  const CMobileIcon& Tile(int index) const { return tiles[index]; }
  const ModelProfile& Profile() const { return profile; }
  const PhoneInfo& Phone() const { return phoneInfo; }
  HFONT Font(PageFont font) const {
    const SharedFont& shared = SharedFontOf(font);
    return shared != nullptr ? shared->Get() : nullptr;
  }
  HFONT Font12() const { return Font(PageFont::Regular12); }
  HFONT Font12Bold() const { return Font(PageFont::Bold12); }
  HFONT Font14() const { return Font(PageFont::Regular14); }
  HFONT Font14Bold() const { return Font(PageFont::Bold14); }
  HFONT Font16Bold() const { return Font(PageFont::Bold16); }
  HFONT Font26Bold() const { return Font(PageFont::Bold26); }
  CPageKeyboard& Keyboard() override { return keyboard; }
  const CPageFrame& Frame() const { return frame; }
  // What the page is laid out at: its window's DPI, read at creation and whenever the window
  // is told that its DPI changed. Every length of the views and controls goes through it.
  const DisplayScale& Scale() const { return scale; }

 protected:
  // The DPI of the page's window (GetDpiForWindow where the system has it, the screen's
  // otherwise); 0 when it cannot be read.
  virtual int WindowDpi() const;
  // Whether the user lets windows animate their content (SPI_GETCLIENTAREAANIMATION); read at
  // creation and at every WM_SETTINGCHANGE.
  virtual bool ClientAnimationsOn() const;

 private:
  void OnCreate();
  // Lays everything out again at the window's DPI, when that changed.
  void OnDpiChanged();
  // Follows the client's new size: what hangs from its edges moves, nothing is kept for the
  // old size.
  void OnSize();
  void OnPaint(HDC given);
  // Brings the kept frame up to date; false when there is none to paint from.
  bool ComposeFrame(const RECT& client);
  // DoPaint; into the kept frame (`keptRect` being the part recomposed) the backdrop is copied
  // from its layer instead of drawn.
  void PaintPage(HDC dc, const RECT& client, const RECT* keptRect, const PageModel& shown,
                 const PagePaintSources& sources);
  const CKeptSurface* KeptBackdrop(const PageModel& model, const PagePaintSources& sources, bool whole);
  PagePaintSources PaintSources();
  PageModelInputs ModelInputs() const;
  PageSize ClientSize() const;
  // The model's own picture as drawn, or the generic phone; `stretched` when it is the decoded
  // picture, drawn at the scale times its size.
  const CxImage& PhonePicture(bool& stretched) const;
  // Changes whenever any picture the page shows does.
  uint64_t PictureStamp() const;
  // The record changed in place: the model is made again.
  void RecordChanged() { ++recordGeneration; }
  // Repaints what the model now draws differently from the model last presented; another view,
  // scale or size repaints the page.
  void InvalidateModelChanges();
  // The object that draws a control of the model; null for none.
  CVinControl* ControlFor(PageControl control, int index);
  // Where drawing `element` may put pixels; the controls say where they overhang their place.
  RECT ReachOf(const ViewElement& element);
  void InvalidateAreas(const DamageList& areas);
  void InvalidateDot(uint32_t step);
  LRESULT OnPhoneData(const COPYDATASTRUCT* copyData);
  void OnTimer(UINT_PTR timerId);
  // The connecting view's animation from its first step, or still when animations are off;
  // no timer in other views.
  void StartAnimation();
  void OnSettingChange();
  void OnCommand(WPARAM wParam);
  void ApplyPhoneState();
  void Reconnect();
  void RequestGuardInstall();
  // Asks the host's main window to show its own page for a linked count tile.
  void NavigateToPage(UINT tileId);
  // The connected phone's details to the clipboard as text (Ctrl+C, the context menu); false,
  // and the clipboard as it was, while no phone is connected.
  bool CopyDetails();
  // The context menu at a screen point, or under the focused element for -1 (the keyboard).
  void ShowDetailsMenu(LPARAM at);
  void CreateFonts();
  // Decodes the pictures `view` and its controls draw that no earlier view has tried already.
  void LoadImages(PageView view);
  void CreateControls();
  // Places the controls and gives them their pictures for the page's scale.
  void LayOutControls();
  // The controls' visibility and values as the model shows them.
  void ApplyControlStep();
  void CreateInstallButton();
  void PlaceReconnectButton();
  void PlaceInstallButton();
  void ApplyPictureStep();
  void ReloadModelPicture();
  void ScaleModelPicture();
  LRESULT OnProfileReady(WPARAM wParam, LPARAM lParam);

  DisplayScale scale;
  CxImage pictures[kPagePictureCount];  // as kPagePictureSources lists them
  uint32_t imagesTried = 0;             // a bit per picture, once its decode ran
  CxImage modelPicture;
  // The cached file modelPicture was decoded from.
  CachedFileStamp modelPictureStamp;
  CxImage scaledModelPicture;
  uint32_t scaledFromStamp = 0;  // modelPicture's stamp when scaledModelPicture was made
  DisplayScale scaledForScale;
  // 0 to 4, the highlighted dot of the connecting view; kStillAnimationStep: none.
  uint32_t animStep = 0;
  bool animating = false;    // the animation timer runs
  bool animationsOn = true;  // as the user last set it
  const SharedFont& SharedFontOf(PageFont font) const { return fonts[static_cast<size_t>(font)]; }

  SharedFont fonts[kPageFontCount];  // shared with the controls that write in them
  CDownloadThread downloadThread;
  ModelProfile profile;
  PhoneInfo phoneInfo;
  uint64_t recordGeneration = 0;
  // Texts measured once per font and text, for every model made.
  class CTextMeasure final : public ITextMeasure {
   public:
    explicit CTextMeasure(const SharedFont* fonts) : fonts_(fonts) {}
    PageSize Measure(PageFont font, std::u16string_view text) override;
    // Made when first needed, kept with the page.
    HDC Dc();
    // The fonts were made again.
    void Forget();

   private:
    struct Measured {
      PageFont font = PageFont::Regular12;
      std::u16string text;
      PageSize size;
    };
    static constexpr size_t kKept = 24;  // the texts of every view, several times over
    const SharedFont* fonts_;
    std::optional<ScopedMemoryDC> dc_;
    Measured kept_[kKept];
    size_t keptCount_ = 0;
    size_t nextSlot_ = 0;
  };
  CTextMeasure textMeasure{fonts};
  PageModel model;
  PageModelInputs modelInputs;  // what `model` was made from
  PageModel presented;          // what InvalidateModelChanges last compared with
  bool presentedMade = false;
  std::vector<size_t> changedElements;
  uint64_t modelGeneration = 0;
  bool modelMade = false;
  bool windowMade = false;
  CPageFrame frame;
  uint64_t composedStamp = 0;  // PictureStamp() when the frame was last composed

  // The controls, destroyed in reverse: the tiles, the battery, the buttons, the bars.
  CVinProgressBar phoneBar;
  CVinProgressBar cardBar;
  CVinButton reconnectButton;
  CVinButton installButton;
  CVinBattery battery;
  CMobileIcon tiles[kTileCount];  // 1001 to 1008
  bool installButtonCreated = false;
  bool reconnectPlaced = false;  // laid out once the failed view is first shown

  // Last, so they go first: both read the controls above.
  CPageKeyboard keyboard{*this};
  CPageAccessibility accessibility{*this};
};
