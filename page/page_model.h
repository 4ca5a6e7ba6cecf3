// What the page shows for a record at a display scale and client size: every element of the
// view, placed, in the order it is drawn, with what assistive technology is told of it and
// what pressing it does. Drawing, hit-testing, the keyboard and the accessible object all read
// this one list; the window only presents it. Platform-free, so that the layout at every
// scale is tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "page/damage_list.h"
#include "page/phone_info.h"
#include "util/display_scale.h"

inline bool operator==(const PageRect& a, const PageRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const PageRect& a, const PageRect& b) { return !(a == b); }

struct PagePoint {
  int32_t x = 0;
  int32_t y = 0;
};

struct PageSize {
  int32_t cx = 0;
  int32_t cy = 0;

  bool Empty() const { return cx <= 0 || cy <= 0; }
  bool operator==(const PageSize& other) const { return cx == other.cx && cy == other.cy; }
  bool operator!=(const PageSize& other) const { return !(*this == other); }
};

// What a click on an element sends in WM_COMMAND.
inline constexpr uint32_t kReconnectButtonId = 222;
inline constexpr uint32_t kInstallButtonId = 333;
inline constexpr uint32_t kFirstTileId = 1001;  // the eight count tiles, 1001 to 1008
inline constexpr uint32_t kLastTileId = 1008;
inline constexpr int kTileCount = 8;

// Which of the host's four linked pages a tile opens, in the order of the published links
// (applications, music, novels, games); -1 for a tile that is not a link.
inline constexpr int8_t kTileLink[kTileCount] = {0, -1, 1, -1, 2, -1, -1, 3};
inline constexpr int kTileNotAvailable = -1;  // a count the page has none of, shown as dashes

// Every picture of the views, decoded from the module's resources when a view first needs it.
enum class PagePicture : uint8_t {
  StatusBackground,  // idle, connecting and failed views
  IdleHeading,
  SmallPhone,
  UsbCable,
  Computer,
  ConnectSteps,
  ConnectingHeading,
  CurrentDot,
  RestingRing,
  FailedHeading,
  InfoBackground,  // information views
  TopBand,
  InfoCard,
  CardTab,
  ConnectedMark,
  GenericPhone,
  // Not a resource: the model's own picture, or the generic phone while there is none.
  Phone,
};
inline constexpr size_t kPagePictureCount = static_cast<size_t>(PagePicture::Phone);

constexpr uint32_t ViewBit(PageView view) { return 1u << static_cast<int>(view); }

// The one table of the views' pictures: which resource, for which views.
struct PagePictureSource {
  PagePicture picture;
  int resourceId;
  uint32_t views;
};
extern const PagePictureSource kPagePictureSources[kPagePictureCount];

// The page's fonts, all Tahoma; their pixel heights scale with the page.
enum class PageFont : uint8_t { Regular12, Bold12, Regular14, Bold14, Bold16, Bold26 };
inline constexpr size_t kPageFontCount = 6;
struct PageFontSpec {
  int height;  // logical pixels
  bool bold;
};
inline constexpr PageFontSpec kPageFonts[kPageFontCount] = {{12, false}, {12, true}, {14, false},
                                                            {14, true},  {16, true}, {26, true}};

// The controls of the page; each is drawn, hit and pressed by its own object.
enum class PageControl : uint8_t { None, Reconnect, Install, PhoneBar, CardBar, Battery, Tile };

enum class ElementKind : uint8_t {
  Fill,     // the background colour over `rect`
  Picture,  // `picture` by `fit` into `rect`
  Text,     // `text` in `font` and `color` by `textFit` in `rect`
  Control,  // `control` (tile `index`) placed at `rect`, showing `number`
  Words,    // draws nothing: words inside a picture drawn by another element
};

enum class PictureFit : uint8_t {
  At,             // at its own size, from the rectangle's top left
  InOwnRect,      // at its own size through the rectangle form
  Stretch,        // blended over the rectangle
  StretchOpaque,  // copied over the rectangle
  ThreeSlice,     // ends of `sliceEdge` pixels kept, the middle stretched
};

enum class TextFit : uint8_t {
  Left,   // measured, one line, centred vertically, an ellipsis when cut
  Right,  // measured, one line, on the bottom right
  Line,   // a fixed rectangle, one line, an ellipsis when too long
};

enum class AccessRole : uint8_t { None, StaticText, PushButton, Link, ProgressBar };

struct ViewElement {
  ElementKind kind = ElementKind::Words;
  // Part of the view's backdrop: the same for every record of the view, so it may be kept.
  bool backdrop = false;
  PageRect rect;
  PagePicture picture = PagePicture::Phone;
  PictureFit fit = PictureFit::At;
  int32_t sliceEdge = 0;
  PageFont font = PageFont::Regular12;
  uint32_t color = 0;  // 0x00BBGGRR
  TextFit textFit = TextFit::Left;
  std::u16string text;
  PageControl control = PageControl::None;
  int32_t index = 0;   // the tile's
  int32_t number = 0;  // a bar's or the battery's percent, a tile's count
  // What assistive technology is told; AccessRole::None: nothing.
  AccessRole role = AccessRole::None;
  std::u16string name;
  std::u16string value;
  uint32_t command = 0;  // what pressing it sends; 0: it cannot be pressed or focused
};

// The connecting view's step while the user has animations turned off: every dot at rest.
inline constexpr uint32_t kStillAnimationStep = 0xFFFFFFFF;

// What the window knows of its pictures and controls; sizes are as drawn at the scale, and
// empty for a picture that is not loaded.
struct PageModelInputs {
  const PhoneInfo* phone = nullptr;  // the model name already the profile's
  uint32_t animStep = 0;
  DisplayScale scale;
  PageSize client;
  PageSize pictures[kPagePictureCount];
  PageSize phonePicture;  // the model's picture or the generic phone, as drawn
  PageSize reconnectFrame;
  PageSize installFrame;
};

// Everything but what `phone` points at, which the window counts changes of itself.
bool operator==(const PageModelInputs& a, const PageModelInputs& b);
inline bool operator!=(const PageModelInputs& a, const PageModelInputs& b) { return !(a == b); }

// The extent of a text in one of the page's fonts, as the window measures it.
class ITextMeasure {
 public:
  virtual PageSize Measure(PageFont font, std::u16string_view text) = 0;

 protected:
  ~ITextMeasure() = default;
};

class PageModel {
 public:
  PageModel() = default;
  PageModel(const PageModelInputs& inputs, ITextMeasure& measure);

  PageView View() const { return view_; }
  const DisplayScale& Scale() const { return scale_; }
  PageSize Client() const { return client_; }
  // In drawing order.
  const std::vector<ViewElement>& Elements() const { return elements_; }
  // The described elements in reading order: child id i + 1 is Described(i).
  size_t DescribedCount() const { return described_.size(); }
  const ViewElement& Described(size_t i) const { return elements_[described_[i]]; }
  // The described elements that can be pressed, in reading order.
  size_t FocusCount() const { return focus_.size(); }
  const ViewElement& Focusable(size_t i) const { return elements_[focus_[i]]; }

  // The control's element; null while the view does not show it.
  const ViewElement* Control(PageControl control, int index = 0) const;
  // The pressable element `command` presses; null for 0 and while it is not shown.
  const ViewElement* Pressable(uint32_t command) const;
  // Child id of the described element `command` presses; 0 for none.
  int32_t ChildIdOf(uint32_t command) const;
  // The pressable element under a client point, or null.
  const ViewElement* PressableAt(int32_t x, int32_t y) const;
  // The element after (`step` 1) or before (-1) the one `command` presses in the focus
  // order, wrapping around; from nothing, the first or the last. 0 when nothing can be pressed.
  uint32_t NextFocus(uint32_t command, int step) const;

 private:
  PageView view_ = PageView::Idle;
  DisplayScale scale_;
  PageSize client_;
  std::vector<ViewElement> elements_;
  // Indices into elements_, so that a copied model stays whole.
  std::vector<uint16_t> described_;
  std::vector<uint16_t> focus_;
};

// What a screen reader is told when the page goes from one model to the next: a new view, or
// elements that came, went or changed what a click does, reorder the page's children; else
// each element's changed name, value or place. Child 0 is the page itself, whose name is the
// view's heading.
enum class AccessEvent : uint8_t { Reorder, NameChange, ValueChange, LocationChange };
struct AccessChange {
  AccessEvent event;
  int32_t child;
};
// `before` null: nothing was announced yet, which a screen reader heard as the idle view.
std::vector<AccessChange> AccessChanges(const PageModel* before, const PageModel& after);

// The elements whose drawing differs between two models, by index (the same in both), so that
// a record repaints only what it changed. False when the page is to be drawn whole: another
// view, scale or client size, or elements that came or went.
bool ChangedElements(const PageModel& before, const PageModel& after, std::vector<size_t>& changed);

// What the page does for a WM_COMMAND from one of its elements.
enum class PageAction : uint8_t { None, Reconnect, RequestInstall, OpenHostPage };
// A button acts on a plain click (notification 0); a tile whatever the notification says.
PageAction ActionOf(uint32_t command, uint32_t notification);

// The size the model's own picture is drawn at: the scale times its decoded size, halved on
// each side of its anchor, so an odd size is drawn one pixel smaller.
PageSize PhotoSizeAt(PageSize decoded, const DisplayScale& scale);

// Where a control is put, in client pixels: the buttons are then sized to one frame of their
// strip. The install button hangs from the client's right edge.
PageRect ControlPlace(PageControl control, int index, const DisplayScale& scale, PageSize client);
// A button's caption box, which its own drawing centres the caption in.
PageRect ButtonCaptionPlace(PageControl control, const DisplayScale& scale, PageSize client);
// The caption a button draws over its picture; the install button's picture has its words.
std::u16string_view ButtonCaption(PageControl control);
// A tile's label, without its count.
std::u16string_view TileLabel(int index);

// The two pictures dot `step` of the connecting view may show, where they are drawn; false
// while either is not loaded.
bool AnimationDotRects(const DisplayScale& scale, PageSize currentDot, PageSize restingRing, uint32_t step,
                       PageRect& current, PageRect& resting);

// Where the focus rectangle of a pressable element is drawn: inside a button, around a tile.
PageRect FocusRectOf(const ViewElement& element, const DisplayScale& scale);
