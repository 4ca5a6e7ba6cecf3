// Random mouse messages over the whole lParam range, in every state and with state changes
// under the pointer: no fault, no capture left once the button is up, and no control left
// looking pressed or hovered once the pointer has gone.

#include <algorithm>
#include <deque>
#include <map>
#include <vector>

#include "page/page_protocol.h"
#include "testing/test_support.h"
#include "tools/stress/stress_page.h"
#include "tools/stress/stress_support.h"
#include "tools/stress/stresses.h"

namespace {

constexpr int kSegment = 500;    // messages between two final button-ups
constexpr int kRecentKept = 24;  // messages shown with a failure, to replay it
const int32_t kStates[] = {0, 1, 2, 3, 4, 5, 0x7FFFFFFF, -1};
constexpr int kStateCount = sizeof kStates / sizeof kStates[0];
const UINT kMessages[] = {WM_MOUSEMOVE,  WM_LBUTTONDOWN, WM_LBUTTONUP,     WM_LBUTTONDBLCLK,
                          WM_MOUSELEAVE, WM_SETCURSOR,   WM_CAPTURECHANGED};
const unsigned kMessageWeights[] = {35, 15, 15, 10, 8, 10, 7};
// Where the page's controls are: the Reconnect button, the install button, a tile, a bar and
// the battery; the pointer often lands on them.
const POINT kControlSpots[] = {
    {400, 405}, {kHostWidth - 164, 25}, {162, 220}, {275, 320}, {600, 220}, {146, 533}, {690, 536}, {348, 300},
    {463, 220}};
// A spot over no control, where the final release happens.
constexpr POINT kRestingSpot = {8, kHostHeight - 8};

const char* MessageName(UINT message) {
  switch (message) {
    case WM_MOUSEMOVE:
      return "WM_MOUSEMOVE";
    case WM_LBUTTONDOWN:
      return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP:
      return "WM_LBUTTONUP";
    case WM_LBUTTONDBLCLK:
      return "WM_LBUTTONDBLCLK";
    case WM_MOUSELEAVE:
      return "WM_MOUSELEAVE";
    case WM_SETCURSOR:
      return "WM_SETCURSOR";
    case WM_CAPTURECHANGED:
      return "WM_CAPTURECHANGED";
    case WM_COPYDATA:
      return "record";
    default:
      return "?";
  }
}

UINT PickMessage(StressRandom& random) {
  uint32_t pick = random.Below(100);
  for (size_t i = 0; i < sizeof kMessages / sizeof kMessages[0]; ++i) {
    if (pick < kMessageWeights[i]) return kMessages[i];
    pick -= kMessageWeights[i];
  }
  return WM_MOUSEMOVE;
}

LPARAM PickPoint(StressRandom& random) {
  const uint32_t pick = random.Below(100);
  if (pick < 50) return static_cast<LPARAM>(random.Next32());  // anywhere, negative included
  if (pick < 80) {
    const int x = static_cast<int>(random.Below(kHostWidth + 200)) - 100;
    const int y = static_cast<int>(random.Below(kHostHeight + 200)) - 100;
    return MAKELPARAM(x, y);
  }
  const POINT spot = kControlSpots[random.Below(sizeof kControlSpots / sizeof kControlSpots[0])];
  return MAKELPARAM(spot.x + static_cast<int>(random.Below(21)) - 10, spot.y + static_cast<int>(random.Below(21)) - 10);
}

// A press on a button, then a record that hides the button before the release.
struct PressThenHide {
  const char* what;
  int32_t state;
  POINT at;
  UINT press;
};
const PressThenHide kPressThenHide[] = {
    {"the install button pressed in state 5", 5, {kHostWidth - 164, 25}, WM_LBUTTONDOWN},
    {"the install button double-clicked in state 5", 5, {kHostWidth - 164, 25}, WM_LBUTTONDBLCLK},
    {"the Reconnect button pressed in state 3", 3, {400, 405}, WM_LBUTTONDOWN},
};

struct Sent {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

}  // namespace

bool RunMouseStress(const StressPlan& plan) {
  StressReport report("mouse");
  StressRandom random(plan.seed ^ 0x4D4F555345ull);
  SetLookupBase(kRefusingLookupBase);
  PageModule module;
  if (!module.Load(StressModulePath())) {
    report.Fail("the module did not load");
    return report.Finish("nothing sent");
  }
  // The host and the phone service, so that clicks have somewhere to go.
  RecordingWindow host(kHostMainWindowClass);
  RecordingWindow service(kPhoneServiceClass);
  TestParent parent(kHostWidth, kHostHeight, true);
  StressPage page(module, parent.Hwnd());
  const HWND hwnd = page.Hwnd();
  PagePrinter printer(kHostWidth, kHostHeight);
  const std::u16string model = u"Quorle Q5";

  std::map<int32_t, std::vector<uint32_t>> reference;
  for (int32_t state : kStates) {
    SendRecord(hwnd, PhoneRecord(state, model));
    reference[state] = printer.Print(hwnd);
  }

  // Known sequences first, so that a failure here names its reproducer exactly.
  int pressCasesLeft = 0;
  for (const PressThenHide& c : kPressThenHide) {
    const LPARAM at = MAKELPARAM(c.at.x, c.at.y);
    SendRecord(hwnd, PhoneRecord(c.state, model));
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, at);
    SendMessageW(hwnd, c.press, MK_LBUTTON, at);
    SendRecord(hwnd, PhoneRecord(1, model));
    SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, at);
    SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
    SendMessageW(hwnd, WM_MOUSELEAVE, 0, 0);
    if (GetCapture() != nullptr) {
      ++pressCasesLeft;
      report.Fail(
          Format("capture left on the page: %s at (%ld,%ld), a record with state 1 before the release, "
                 "the release at the same point",
                 c.what, c.at.x, c.at.y));
      ReleaseCapture();
    }
  }

  ProcessSample afterFirstSegment = SampleProcess();
  std::deque<Sent> recent;
  std::vector<Sent> sinceCapture;  // starts with the state the capture was taken in
  int sent = 0, stateChanges = 0, captureLeft = 0, captureLeftWithoutRecord = 0, lookStuck = 0, segments = 0;
  const int segmentCount = (plan.mouseMessages + kSegment - 1) / kSegment;
  for (int segment = 0; segment < segmentCount; ++segment) {
    ++segments;
    int32_t state = kStates[segment % kStateCount];
    SendRecord(hwnd, PhoneRecord(state, model));
    LONG reconnectsBefore = page.Tap().reconnects;
    recent.clear();
    sinceCapture.clear();
    for (int i = 0; i < kSegment && sent < plan.mouseMessages; ++i, ++sent) {
      SetProgress("mouse", static_cast<uint64_t>(sent));
      if (random.Below(100) == 0) {
        // The phone service changes the state under the pointer.
        state = kStates[random.Below(kStateCount)];
        SendRecord(hwnd, PhoneRecord(state, model));
        reconnectsBefore = page.Tap().reconnects;
        ++stateChanges;
        recent.push_back({WM_COPYDATA, static_cast<WPARAM>(state), 0});
        if (!sinceCapture.empty() && sinceCapture.size() < kRecentKept) sinceCapture.push_back(recent.back());
      }
      const UINT message = PickMessage(random);
      WPARAM wParam = random.Below(0x80);  // the MK_ key flags
      LPARAM lParam = PickPoint(random);
      if (message == WM_MOUSELEAVE) {
        wParam = 0;
        lParam = 0;
      } else if (message == WM_SETCURSOR) {
        const uint32_t pick = random.Below(10);
        wParam = pick < 8 ? reinterpret_cast<WPARAM>(hwnd) : pick == 8 ? 0 : random.Next32();
        const WORD hitTest = random.Percent(70) ? HTCLIENT : static_cast<WORD>(random.Next32());
        lParam = MAKELPARAM(hitTest, random.Percent(80) ? PickMessage(random) : random.Next32());
      } else if (message == WM_CAPTURECHANGED) {
        wParam = 0;
        const uint32_t pick = random.Below(4);
        lParam = pick == 0   ? 0
                 : pick == 1 ? reinterpret_cast<LPARAM>(hwnd)
                 : pick == 2 ? reinterpret_cast<LPARAM>(parent.Hwnd())
                             : static_cast<LPARAM>(random.Next32());
      }
      recent.push_back({message, wParam, lParam});
      if (recent.size() > kRecentKept) recent.pop_front();
      SendMessageW(hwnd, message, wParam, lParam);
      // What happened since the page last took the capture is what replays a capture left behind.
      if (GetCapture() == nullptr) {
        sinceCapture.clear();
      } else {
        if (sinceCapture.empty()) sinceCapture.push_back({WM_COPYDATA, static_cast<WPARAM>(state), 0});
        if (sinceCapture.size() < kRecentKept) sinceCapture.push_back({message, wParam, lParam});
      }
    }

    // The pointer goes to a bare spot, the button comes up, the pointer leaves the page.
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(kRestingSpot.x, kRestingSpot.y));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(kRestingSpot.x, kRestingSpot.y));
    SendMessageW(hwnd, WM_MOUSELEAVE, 0, 0);
    const auto replay = [](auto begin, auto end) {
      std::string text;
      for (auto s = begin; s != end; ++s) {
        text += Format(" %s(%lx,%lx)", MessageName(s->message), static_cast<unsigned long>(s->wParam),
                       static_cast<unsigned long>(s->lParam));
      }
      return text;
    };
    const HWND captured = GetCapture();
    if (captured != nullptr) {
      ++captureLeft;
      // A record between press and release is the known way; anything else is news.
      const bool recordBetween = std::any_of(sinceCapture.begin() + (sinceCapture.empty() ? 0 : 1), sinceCapture.end(),
                                             [](const Sent& s) { return s.message == WM_COPYDATA; });
      captureLeftWithoutRecord += !recordBetween;
      report.Fail(
          Format("segment %d (state %d): capture left on %s after the button came up, %s; since it was "
                 "taken:%s",
                 segment, state, captured == hwnd ? "the page" : "another window",
                 recordBetween ? "a record came between press and release" : "with no record in between",
                 replay(sinceCapture.begin(), sinceCapture.end()).c_str()));
      ReleaseCapture();
    }
    // A click on Reconnect made the page show the idle view.
    const int32_t shown = page.Tap().reconnects > reconnectsBefore ? 4 : state;
    const int changed = DifferentPixels(printer.Print(hwnd), reference[shown]);
    if (changed != 0) {
      ++lookStuck;
      report.Fail(
          Format("segment %d (state %d): %d pixels differ from the state's view once the pointer left; last "
                 "messages:%s",
                 segment, shown, changed, replay(recent.begin(), recent.end()).c_str()));
    }
    PumpPending();
    // The first use of cursors and tooltips makes objects that stay: counted from here on.
    if (segment == 0) afterFirstSegment = SampleProcess();
  }
  PumpPending();

  const ProcessSample after = SampleProcess();
  size_t installRequests = 0;
  for (const MSG& msg : service.Received()) installRequests += msg.message == kInstallRequestMessage;
  return report.Finish(Format(
      "%d mouse messages in %d segments over %d states, %d state changes under the pointer; clicks reached: %zu "
      "links, %zu install requests, %ld reconnects; capture left behind %d times (%d of them with no record "
      "between press and release), a control's look stuck %d times; "
      "a button hidden while pressed left the capture in %d of %zu fixed cases; from the first segment's end: %s",
      sent, segments, kStateCount, stateChanges, host.CopiesReceived().size(), installRequests,
      static_cast<long>(page.Tap().reconnects), captureLeft, captureLeftWithoutRecord, lookStuck, pressCasesLeft,
      sizeof kPressThenHide / sizeof kPressThenHide[0], DescribeSamples(afterFirstSegment, after).c_str()));
}
