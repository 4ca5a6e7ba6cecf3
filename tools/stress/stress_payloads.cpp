// WM_COPYDATA payloads of every length up to 20,000 bytes, each ending where an unreadable
// page begins, with every kind of state value: a short one must change nothing, a full one
// must show the view of its state.

#include <climits>
#include <cstring>
#include <map>

#include "page/phone_info.h"
#include "testing/test_support.h"
#include "tools/stress/stress_page.h"
#include "tools/stress/stress_support.h"
#include "tools/stress/stresses.h"

namespace {

constexpr size_t kLargestPayload = 20000;
// Lengths around the record's size, sent again every kEdgeEvery payloads.
constexpr size_t kEdgeSizes[] = {0, 1, kPhoneInfoSize - 1, kPhoneInfoSize, kPhoneInfoSize + 1, kLargestPayload, 4, 8};
constexpr int kEdgeEvery = 500;
constexpr int32_t kEdgeStates[] = {INT32_MIN, INT32_MAX, -1, 6, 7, 0x7FFFFFFE, static_cast<int32_t>(0x80000001)};
// Messages are dispatched now and then, so timers and workers get their turn.
constexpr int kPumpEvery = 250;

int32_t PickState(StressRandom& random) {
  const uint32_t pick = random.Below(100);
  if (pick < 40) return static_cast<int32_t>(random.Below(6));
  if (pick < 50) return kEdgeStates[random.Below(sizeof kEdgeStates / sizeof kEdgeStates[0])];
  return static_cast<int32_t>(random.Next32());
}

// Random bytes, a well-formed record with random values, or zeros; the state goes in last.
void FillPayload(StressRandom& random, uint8_t* bytes, int32_t state) {
  switch (random.Below(3)) {
    case 0:
      random.Fill(bytes, kLargestPayload);
      break;
    case 1: {
      std::memset(bytes, 0, kLargestPayload);
      char16_t model[40];
      const uint32_t length = random.Below(40);
      for (uint32_t i = 0; i < length; ++i) model[i] = static_cast<char16_t>(u' ' + random.Below(95));
      PhoneInfo record = PhoneRecord(state, std::u16string_view(model, length));
      record.musicCount = static_cast<int32_t>(random.Next32());
      record.appCount = static_cast<int32_t>(random.Next32());
      record.phoneTotalBytes = random.Next64();
      record.phoneFreeBytes = random.Next64();
      record.cardTotalBytes = random.Next64() >> random.Below(64);
      record.cardFreeBytes = random.Next64() >> random.Below(64);
      record.batteryPercent = random.Percent(50) ? random.Below(101) : random.Next32();
      std::memcpy(bytes, &record, sizeof record);
      break;
    }
    default:
      std::memset(bytes, 0, kLargestPayload);
      break;
  }
  std::memcpy(bytes + offsetof(PhoneInfo, state), &state, sizeof state);
}

// Another thread of the host's process sends, and frees the payload the moment its send
// returns, which is the moment the page replies: the page must have its copy by then.
class FreeingSender {
 public:
  FreeingSender() {
    ready_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    done_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Main, this, 0, nullptr);
  }
  ~FreeingSender() {
    stop_ = true;
    SetEvent(ready_);
    if (thread_ != nullptr) WaitForSingleObject(thread_, 5000);
    for (HANDLE handle : {thread_, ready_, done_}) {
      if (handle != nullptr) CloseHandle(handle);
    }
  }
  FreeingSender(const FreeingSender&) = delete;
  FreeingSender& operator=(const FreeingSender&) = delete;
  bool Running() const { return thread_ != nullptr; }

  // Takes the payload over; handles only the send while waiting, so no timer or paint of the
  // page runs in between.
  LRESULT Send(HWND page, GuardedPayload* payload, double& ms) {
    page_ = page;
    payload_ = payload;
    SetEvent(ready_);
    while (MsgWaitForMultipleObjects(1, &done_, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    ms = ms_;
    return answer_;
  }

 private:
  static DWORD WINAPI Main(void* parameter) {
    auto& self = *static_cast<FreeingSender*>(parameter);
    for (;;) {
      WaitForSingleObject(self.ready_, INFINITE);
      if (self.stop_) return 0;
      const LARGE_INTEGER start = Now();
      self.answer_ = SendPayload(self.page_, self.payload_->Data(), static_cast<DWORD>(self.payload_->Size()));
      self.ms_ = MillisecondsSince(start);
      delete self.payload_;
      SetEvent(self.done_);
    }
  }

  HANDLE ready_ = nullptr;
  HANDLE done_ = nullptr;
  HANDLE thread_ = nullptr;
  volatile bool stop_ = false;
  HWND page_ = nullptr;
  GuardedPayload* payload_ = nullptr;
  LRESULT answer_ = 0;
  double ms_ = 0;
};

}  // namespace

bool RunPayloadStress(const StressPlan& plan) {
  StressReport report("payloads");
  StressRandom random(plan.seed ^ 0x5041594C4F414453ull);
  SetLookupBase(kRefusingLookupBase);
  PageModule module;
  if (!module.Load(StressModulePath())) {
    report.Fail("the module did not load");
    return report.Finish("nothing sent");
  }
  TestParent parent(kHostWidth, kHostHeight);
  StressPage page(module, parent.Hwnd());
  const HWND hwnd = page.Hwnd();
  if (hwnd == nullptr) {
    report.Fail("CreatePage gave no window");
    return report.Finish("nothing sent");
  }
  PagePrinter printer(kHostWidth, kHostHeight);
  {
    GuardedPayload probe(kPhoneInfoSize - 1);
    MEMORY_BASIC_INFORMATION after = {};
    VirtualQuery(static_cast<char*>(probe.Data()) + probe.Size(), &after, sizeof after);
    if (after.State == MEM_COMMIT && after.Protect != PAGE_NOACCESS) {
      report.Fail("the byte after a payload is readable: the placement proves nothing");
    }
  }

  // The views that do not depend on the record's data, printed from clean records.
  std::map<PageView, std::vector<uint32_t>> reference;
  for (int32_t state : {0, 2, 3}) {
    SendRecord(hwnd, PhoneRecord(state, u""));
    reference[ViewForState(state)] = printer.Print(hwnd);
  }
  for (int32_t state : {4, 6, -1}) {
    SendRecord(hwnd, PhoneRecord(state, u""));
    if (DifferentPixels(printer.Print(hwnd), reference[PageView::Idle]) != 0) {
      report.Fail(Format("a clean record with state %d does not show the idle view", state));
    }
  }
  std::vector<uint32_t> current = printer.Print(hwnd);
  const ProcessSample before = SampleProcess();

  std::vector<uint8_t> bytes(kLargestPayload);
  TimeFigures allTimes;
  TimeFigures fullTimes;
  TimeFigures threadTimes;
  FreeingSender sender;
  int threadSends = 0;
  int full = 0, shortOnes = 0, edgeSizes = 0, unknownStates = 0, nullData = 0;
  int wrongAnswers = 0, changedByShort = 0, wrongViews = 0;
  for (int i = 0; i < plan.payloads; ++i) {
    SetProgress("payloads", static_cast<uint64_t>(i));
    if (i > 0 && i % kPumpEvery == 0) {
      PumpPending();
      current = printer.Print(hwnd);
    }
    const size_t edgeIndex = static_cast<size_t>(i % kEdgeEvery);
    const bool edge = edgeIndex < sizeof kEdgeSizes / sizeof kEdgeSizes[0];
    const size_t size = edge ? kEdgeSizes[edgeIndex] : random.Below(kLargestPayload + 1);
    edgeSizes += edge;
    const int32_t state = PickState(random);
    FillPayload(random, bytes.data(), state);
    auto* payload = new GuardedPayload(size);
    if (size > 0) std::memcpy(payload->Data(), bytes.data(), size);

    // Now and then no data at all: a null COPYDATASTRUCT pointer or a null lpData.
    const uint32_t shape = random.Below(200);
    const bool fromThread = shape > 1 && sender.Running() && random.Percent(20);
    LRESULT answer;
    double ms = 0;
    if (fromThread) {
      ++threadSends;
      answer = sender.Send(hwnd, payload, ms);
      threadTimes.Add(ms);
    } else {
      const LARGE_INTEGER start = Now();
      if (shape == 0) {
        answer = SendMessageW(hwnd, WM_COPYDATA, 0, 0);
      } else if (shape == 1) {
        COPYDATASTRUCT copy = {};
        copy.cbData = static_cast<DWORD>(size);
        answer = SendMessageW(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
      } else {
        answer = SendPayload(hwnd, payload->Data(), static_cast<DWORD>(size));
      }
      ms = MillisecondsSince(start);
      delete payload;
      allTimes.Add(ms);
    }

    const bool taken = shape > 1 && size >= kPhoneInfoSize;
    nullData += shape <= 1;
    if (answer != (taken ? 1 : 0)) {
      ++wrongAnswers;
      report.Fail(Format("payload %d: %zu bytes, state %d: answer %ld", i, size, state, static_cast<long>(answer)));
    }
    const std::vector<uint32_t>& printed = printer.Print(hwnd);
    if (!taken) {
      ++shortOnes;
      const int changed = DifferentPixels(printed, current);
      if (changed != 0) {
        ++changedByShort;
        report.Fail(Format("payload %d: %zu bytes, state %d, changed %d pixels of the page", i, size, state, changed));
        current = printed;
      }
      continue;
    }
    ++full;
    if (!fromThread) fullTimes.Add(ms);
    const PageView view = ViewForState(state);
    unknownStates += state < 0 || state > 5;
    if (view == PageView::Connected || view == PageView::GuardMissing) {
      // Its data decides the picture: the same record sent the ordinary way must look the same,
      // and neither may look like a view without data.
      current = printed;
      PhoneInfo copy;
      std::memcpy(&copy, bytes.data(), sizeof copy);
      SendRecord(hwnd, copy);
      const std::vector<uint32_t>& again = printer.Print(hwnd);
      const int changed = DifferentPixels(again, current);
      const bool looksIdle = DifferentPixels(current, reference[PageView::Idle]) == 0;
      if (changed != 0 || looksIdle) {
        ++wrongViews;
        report.Fail(Format("payload %d: %zu bytes, state %d: %s", i, size, state,
                           looksIdle ? "shows the idle view" : "differs from the same record sent plainly"));
      }
      current = again;
    } else {
      const int changed = DifferentPixels(printed, reference[view]);
      if (changed != 0) {
        ++wrongViews;
        report.Fail(Format("payload %d: %zu bytes, state %d: %d pixels differ from the reference view", i, size, state,
                           changed));
        SavePrint(printed, kHostWidth, kHostHeight, L"payload_" + std::to_wstring(i));
      }
      current = printed;
    }
  }

  PumpPending();
  const ProcessSample after = SampleProcess();
  return report.Finish(Format(
      "%d payloads of 0..%zu bytes (%d full, %d short, %d at the edge lengths, %d without data; %d sent from "
      "another thread that freed them as the send returned), %d full ones with a state outside 0..5; wrong answers "
      "%d, short ones that changed the page %d, wrong views %d; handling median %.3f ms, worst %.2f ms (full "
      "records: median %.3f ms, worst %.2f ms; round trip from the other thread: median %.3f ms, worst %.2f ms); %s",
      plan.payloads, kLargestPayload, full, shortOnes, edgeSizes, nullData, threadSends, unknownStates, wrongAnswers,
      changedByShort, wrongViews, allTimes.Median(), allTimes.Worst(), fullTimes.Median(), fullTimes.Worst(),
      threadTimes.Median(), threadTimes.Worst(), DescribeSamples(before, after).c_str()));
}
