// The harness's platform-free parts: the record a person edits, the scenario language, the
// pixel checks and the event log that the runner waits on.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "tools/harness/event_log.h"
#include "tools/harness/pixels.h"
#include "tools/harness/record_form.h"
#include "tools/harness/scenario.h"

namespace {

// --- the record ---------------------------------------------------------------------------

TEST(HarnessRecordForm, DefaultPhoneFillsEveryFieldThePageReads) {
  RecordForm form;
  PhoneInfo record;
  std::string error;
  ASSERT_TRUE(form.Build(1, record, error)) << error;
  EXPECT_EQ(record.size, kPhoneInfoSize);
  EXPECT_EQ(record.state, 1);
  EXPECT_EQ(FieldText(record.brand), u"Kelvo");
  EXPECT_EQ(FieldText(record.model), u"K7 Pro");
  EXPECT_EQ(record.appCount, 86);
  EXPECT_EQ(record.pictureCount, 1245);
  EXPECT_EQ(record.musicCount, 312);
  EXPECT_EQ(record.videoCount, 27);
  EXPECT_EQ(record.novelCount, 9);
  EXPECT_EQ(record.contactCount, 468);
  EXPECT_EQ(record.smsCount, 2051);
  EXPECT_EQ(record.phoneTotalBytes, 64ull << 30);
  EXPECT_EQ(record.phoneFreeBytes, 22ull << 30);
  EXPECT_EQ(record.cardTotalBytes, 32ull << 30);
  EXPECT_EQ(record.cardFreeBytes, (23ull << 30) / 2);
  EXPECT_EQ(record.batteryPercent, 78u);
  EXPECT_EQ(FieldText(record.defaultImageUrl), u"");
}

TEST(HarnessRecordForm, EachFieldLandsInItsOwnPlace) {
  struct Case {
    const char* field;
    const char16_t* value;
    size_t offset;
    uint64_t expected;
    size_t bytes;
  };
  const Case cases[] = {
      {"apps", u"1", 0x1C, 1, 4},         {"pictures", u"2", 0x10, 2, 4},    {"music", u"3", 0x08, 3, 4},
      {"videos", u"4", 0x0C, 4, 4},       {"novels", u"5", 0x14, 5, 4},      {"contacts", u"6", 0x24, 6, 4},
      {"sms", u"7", 0x28, 7, 4},          {"phone-total", u"8", 0x40, 8, 8}, {"phone-free", u"9", 0x48, 9, 8},
      {"card-total", u"10", 0x50, 10, 8}, {"card-free", u"11", 0x58, 11, 8}, {"battery", u"12", 0x64, 12, 4},
  };
  for (const Case& c : cases) {
    RecordForm form;
    std::string error;
    for (const auto& field : kRecordFields) {
      if (field.kind != RecordFieldKind::Text) {
        ASSERT_TRUE(form.Set(field.name, u"0", error)) << error;
      }
    }
    ASSERT_TRUE(form.Set(c.field, c.value, error)) << c.field << ": " << error;
    PhoneInfo record;
    ASSERT_TRUE(form.Build(0, record, error)) << error;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    uint64_t value = 0;
    std::memcpy(&value, bytes + c.offset, c.bytes);
    EXPECT_EQ(value, c.expected) << c.field;
  }
}

TEST(HarnessRecordForm, TextsAreCutToTheirArraysWithANul) {
  RecordForm form;
  std::string error;
  const std::u16string longModel(80, u'M');
  ASSERT_TRUE(form.Set("model", longModel, error));
  ASSERT_TRUE(form.Set("brand", Utf8ToUtf16("\xE5\x87\xAF\xE6\xB2\x83"), error));  // two CJK characters
  PhoneInfo record;
  ASSERT_TRUE(form.Build(1, record, error));
  EXPECT_EQ(FieldText(record.model), std::u16string(63, u'M'));
  EXPECT_EQ(record.model[63], u'\0');
  EXPECT_EQ(FieldText(record.brand), u"\u51EF\u6C83");
}

TEST(HarnessRecordForm, ByteCountsTakeBinaryUnitsAndFractions) {
  struct Case {
    const char16_t* text;
    uint64_t bytes;
  };
  const Case good[] = {
      {u"0", 0},
      {u"1610612736", 1610612736ull},
      {u"1.5GB", 1610612736ull},
      {u"1.5 G", 1610612736ull},
      {u"512M", 512ull << 20},
      {u"64 GiB", 64ull << 30},
      {u"2kb", 2048},
      {u"1T", 1ull << 40},
      {u"18446744073709551615", 18446744073709551615ull},
  };
  for (const Case& c : good) {
    uint64_t bytes = 1;
    EXPECT_TRUE(ParseByteCount(c.text, bytes)) << Utf16ToUtf8(c.text);
    EXPECT_EQ(bytes, c.bytes) << Utf16ToUtf8(c.text);
  }
  const char16_t* bad[] = {u"",          u"GB",           u"1.5", u"-1", u"1.GB", u"12 apples", u"18446744073709551616",
                           u"16777216T", u"1.1234567890G"};
  for (const char16_t* text : bad) {
    uint64_t bytes = 7;
    EXPECT_FALSE(ParseByteCount(text, bytes)) << Utf16ToUtf8(text);
    EXPECT_EQ(bytes, 7u);
  }
}

TEST(HarnessRecordForm, CountsAndBatteryKeepTheirFullRanges) {
  int32_t count = 0;
  EXPECT_TRUE(ParseCount(u"-1", count));
  EXPECT_EQ(count, -1);
  EXPECT_TRUE(ParseCount(u"-2147483648", count));
  EXPECT_EQ(count, INT32_MIN);
  EXPECT_TRUE(ParseCount(u" 2147483647 ", count));
  EXPECT_EQ(count, INT32_MAX);
  EXPECT_FALSE(ParseCount(u"2147483648", count));
  EXPECT_FALSE(ParseCount(u"12a", count));
  EXPECT_FALSE(ParseCount(u"-", count));
  uint32_t percent = 0;
  EXPECT_TRUE(ParsePercent(u"150", percent));
  EXPECT_EQ(percent, 150u);
  EXPECT_TRUE(ParsePercent(u"4294967295", percent));
  EXPECT_EQ(percent, 4294967295u);
  EXPECT_FALSE(ParsePercent(u"4294967296", percent));
  EXPECT_FALSE(ParsePercent(u"-1", percent));
}

TEST(HarnessRecordForm, RefusesUnknownFieldsAndBadValuesWithAReason) {
  RecordForm form;
  std::string error;
  EXPECT_FALSE(form.Set("colour", u"red", error));
  EXPECT_NE(error.find("no record field named 'colour'"), std::string::npos) << error;
  EXPECT_FALSE(form.Set("apps", u"many", error));
  EXPECT_NE(error.find("apps expects a whole number"), std::string::npos) << error;
  EXPECT_EQ(form.Get(2), u"86");  // the refused value left the field alone
}

TEST(HarnessRecordForm, StateNamesRoundTrip) {
  for (int32_t state = 0; state <= 5; ++state) EXPECT_EQ(ParseStateName(StateName(state)), state);
  EXPECT_EQ(ParseStateName("idle"), 0);
  EXPECT_EQ(ParseStateName("failed"), 3);
  EXPECT_EQ(ParseStateName("-7"), -7);
  EXPECT_EQ(StateName(99), "99");
  EXPECT_FALSE(ParseStateName("conected").has_value());
}

TEST(HarnessRecordForm, Utf8AndUtf16ConvertBothWays) {
  const std::string text = "K7 \xE4\xB8\xAD \xF0\x9F\x98\x80";  // ASCII, a CJK character, an emoji
  const std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide, u"K7 \u4E2D \U0001F600");
  EXPECT_EQ(Utf16ToUtf8(wide), text);
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD\uFFFD");  // cut short
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
}

// --- the scenario language ----------------------------------------------------------------

Scenario MustParse(const std::string& text) {
  Scenario scenario;
  std::string error;
  EXPECT_TRUE(ParseScenario(text, scenario, error)) << error;
  return scenario;
}

std::string ParseError(const std::string& text) {
  Scenario scenario;
  std::string error;
  EXPECT_FALSE(ParseScenario(text, scenario, error)) << text;
  return error;
}

TEST(HarnessScenario, ReadsEveryCommand) {
  const Scenario scenario = MustParse(
      "# a comment\n"
      "set brand \"Kelvo Labs\"\n"
      "service answer on 800\n"
      "click-method messages\n"
      "step first \"what it shows\"\n"
      "send guard-missing\n"
      "wait 250\n"
      "click 671 25\n"
      "host music\n"
      "screenshot after-click\n"
      "step second\n"
      "expect reply 1\n"
      "expect link /page=3 within 2000\n"
      "expect no-link for 300\n"
      "expect install\n"
      "expect no-install\n"
      "expect sent connected within 4000\n"
      "expect host-page 0\n"
      "expect pixel 284 233 #3B8EE6 tolerance 40 within 900   # trailing comment\n"
      "expect color 1 2 30 40 #000000 at-least 25% at-most 900\n"
      "expect same first 10 20 30 40 tolerance 2\n"
      "expect differs first at-least 100\n");
  ASSERT_EQ(scenario.commands.size(), 21u);
  ASSERT_EQ(scenario.stepNames, (std::vector<std::string>{"first", "second"}));
  const auto& c = scenario.commands;
  EXPECT_EQ(c[0].action, Action::Set);
  EXPECT_EQ(c[0].name, "brand");
  EXPECT_EQ(c[0].text, "Kelvo Labs");
  EXPECT_EQ(c[0].line, 2);
  EXPECT_EQ(c[1].action, Action::Answer);
  EXPECT_TRUE(c[1].on);
  EXPECT_EQ(c[1].value, 800);
  EXPECT_EQ(c[2].method, ClickMethod::Messages);
  EXPECT_EQ(c[3].action, Action::Step);
  EXPECT_EQ(c[3].text, "what it shows");
  EXPECT_EQ(c[4].value, 5);
  EXPECT_EQ(c[5].value, 250);
  EXPECT_EQ(c[6].x, 671);
  EXPECT_EQ(c[6].y, 25);
  EXPECT_EQ(c[7].value, 3);
  EXPECT_EQ(c[8].name, "after-click");
  EXPECT_EQ(c[10].check, Check::Reply);
  EXPECT_EQ(c[11].check, Check::Link);
  EXPECT_EQ(c[11].name, "/page=3");
  EXPECT_EQ(c[11].timeoutMs, 2000);
  EXPECT_EQ(c[12].check, Check::NoLink);
  EXPECT_EQ(c[12].timeoutMs, 300);
  EXPECT_EQ(c[13].timeoutMs, kDefaultWithinMs);
  EXPECT_EQ(c[14].timeoutMs, kDefaultForMs);
  EXPECT_EQ(c[15].check, Check::Sent);
  EXPECT_EQ(c[15].value, 1);
  EXPECT_EQ(c[16].check, Check::HostPage);
  const Command& pixel = c[17];
  EXPECT_EQ(pixel.check, Check::Color);
  EXPECT_EQ(pixel.rect.left, 284);
  EXPECT_EQ(pixel.rect.bottom, 234);
  EXPECT_EQ(pixel.color.r, 0x3B);
  EXPECT_EQ(pixel.color.b, 0xE6);
  EXPECT_EQ(pixel.tolerance, 40);
  EXPECT_EQ(pixel.timeoutMs, 900);
  EXPECT_EQ(pixel.source, "expect pixel 284 233 #3B8EE6 tolerance 40 within 900   # trailing comment");
  EXPECT_TRUE(c[18].atLeastPercent);
  EXPECT_EQ(c[18].atLeast, 25);
  EXPECT_EQ(c[18].atMost, 900);
  EXPECT_TRUE(c[19].hasRect);
  EXPECT_EQ(c[19].tolerance, 2);
  EXPECT_FALSE(c[20].hasRect);
  EXPECT_EQ(c[20].atLeast, 100);
}

TEST(HarnessScenario, AtMostAloneAllowsNone) {
  const Scenario scenario = MustParse("step a\nexpect color 0 0 5 5 #FFFFFF at-most 0\n");
  EXPECT_EQ(scenario.commands[1].atLeast, 0);
  EXPECT_EQ(scenario.commands[1].atMost, 0);
}

TEST(HarnessScenario, NamesTheLineAndTheReason) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"", "the scenario has no step"},
      {"send connected\n", "line 1: 'send' needs a step"},
      {"step a\nsned connected\n", "line 2: unknown command 'sned'"},
      {"step a\nsend conected\n", "line 2: unknown state 'conected'"},
      {"step a\nstep a\n", "line 2: there is already a step named 'a'"},
      {"step A\n", "line 1: a step name is"},
      {"step a\nwait soon\n", "line 2: milliseconds must be a whole number"},
      {"step a\nclick 10\n", "line 2: expects y"},
      {"step a\nclick 10 20 30\n", "line 2: unexpected '30'"},
      {"set apps many\n", "line 1: apps expects a whole number"},
      {"set colour red\n", "line 1: no record field named 'colour' (fields: brand, model"},
      {"set brand \"Kelvo\n", "line 1: a quoted text is not closed"},
      {"step a\nexpect pixel 1 2 blue\n", "line 2: a colour is written #RRGGBB, not 'blue'"},
      {"step a\nexpect color 5 5 5 9 #000000\n", "line 2: the rectangle LEFT TOP RIGHT BOTTOM is empty"},
      {"step a\nexpect same a\n", "line 2: 'a' is this step"},
      {"step a\nexpect same b\n", "line 2: no earlier step named 'b'"},
      {"step a\nexpect link /page=1 for 100\n", "line 2: unexpected 'for' (options here: within)"},
      {"step a\nexpect install within 10 within 20\n", "line 2: 'within' is given twice"},
      {"step a\nexpect color 0 0 9 9 #000000 at-least 9 at-most 3\n", "line 2: at-least is above at-most"},
      {"step a\nexpect color 0 0 9 9 #000000 at-least 120%\n", "line 2: at-least takes a count or a percentage"},
      {"step a\nhost radio\n", "line 2: a host page is phone, applications"},
      {"step a\nscreenshot\nscreenshot\n", "line 3: this step already has its screenshot"},
      {"service answer maybe\n", "line 1: expects 'service answer on"},
      {"step a\nexpect lnk /page=3\n", "line 2: unknown expectation 'lnk'"},
  };
  for (const Case& c : cases) {
    const std::string error = ParseError(c.text);
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << "for: " << c.text << "\n got: " << error;
  }
}

TEST(HarnessScenario, ColoursAreWordsButALoneHashIsAComment) {
  const Scenario scenario = MustParse("step a   # the first\nexpect pixel 1 1 #ABCDEF # ok\n");
  ASSERT_EQ(scenario.commands.size(), 2u);
  EXPECT_EQ(scenario.commands[0].text, "");
  EXPECT_EQ(scenario.commands[1].color.g, 0xCD);
}

TEST(HarnessScenario, ScreenshotsAreOnePerStepPlusLabelledOnes) {
  const Scenario scenario = MustParse("step a\nscreenshot\nscreenshot b\nscreenshot all desktop\nstep c\nscreenshot\n");
  ASSERT_EQ(scenario.commands.size(), 6u);
  EXPECT_FALSE(scenario.commands[2].on);
  EXPECT_EQ(scenario.commands[3].name, "all");
  EXPECT_TRUE(scenario.commands[3].on);
  EXPECT_EQ(ParseError("step a\nscreenshot b\nscreenshot b\n")
                .rfind("line 3: this step already has a screenshot labelled 'b'", 0),
            0u);
}

TEST(HarnessScenario, HostLinksAreExactlyTheFourPages) {
  EXPECT_EQ(HostPageOfLink(u"/page=1"), 1);
  EXPECT_EQ(HostPageOfLink(u"/page=4"), 4);
  EXPECT_EQ(HostPageOfLink(u"/page=5"), 0);
  EXPECT_EQ(HostPageOfLink(u"/page=0"), 0);
  EXPECT_EQ(HostPageOfLink(u"/page=33"), 0);
  EXPECT_EQ(HostPageOfLink(u"/Page=3"), 0);
  EXPECT_STREQ(HostPageName(2), "games");
}

// --- pixels --------------------------------------------------------------------------------

TEST(HarnessPixels, CountsPixelsNearAColourInsideTheRectangleOnly) {
  Image image(10, 10, 0xFFFFFF);
  image.At(2, 2) = 0x3B8EE6;
  image.At(3, 2) = 0x3B8EF0;  // 10 off in blue
  image.At(9, 9) = 0x3B8EE6;  // outside the rectangle
  const Rgb blue{0x3B, 0x8E, 0xE6};
  EXPECT_EQ(CountNear(image, {0, 0, 9, 9}, blue, 0), 1);
  EXPECT_EQ(CountNear(image, {0, 0, 9, 9}, blue, 10), 2);
  EXPECT_EQ(CountNear(image, {0, 0, 100, 100}, blue, 0), 2);  // clipped, not out of bounds
  EXPECT_EQ(CountNear(image, {20, 20, 30, 30}, blue, 255), 0);
}

TEST(HarnessPixels, ComparisonCountsDifferencesAndReportsTheFirst) {
  Image before(4, 3, 0x101010);
  Image now = before;
  now.At(3, 1) = 0x101013;
  now.At(1, 2) = 0x202020;
  const RegionDifference exact = CompareRegion(before, now, {0, 0, 4, 3}, 0);
  EXPECT_EQ(exact.count, 2);
  EXPECT_EQ(exact.firstX, 3);
  EXPECT_EQ(exact.firstY, 1);
  EXPECT_EQ(exact.was, 0x101010u);
  EXPECT_EQ(exact.now, 0x101013u);
  EXPECT_EQ(CompareRegion(before, now, {0, 0, 4, 3}, 3).count, 1);
  EXPECT_EQ(CompareRegion(before, now, {0, 0, 3, 2}, 0).count, 0);
}

TEST(HarnessPixels, DownscaleAveragesTheCoveredPixels) {
  Image source(4, 2, 0);
  source.At(0, 0) = 0xFF0000;
  source.At(1, 0) = 0xFF0000;
  source.At(0, 1) = 0x000000;
  source.At(1, 1) = 0x000000;
  source.At(2, 0) = 0x00FF00;
  source.At(3, 0) = 0x00FF00;
  source.At(2, 1) = 0x00FF00;
  source.At(3, 1) = 0x00FF00;
  const Image small = Downscale(source, 2, 1);
  ASSERT_EQ(small.width, 2);
  EXPECT_EQ(small.At(0, 0), 0x800000u);  // (255 + 255 + 0 + 0) / 4 rounded
  EXPECT_EQ(small.At(1, 0), 0x00FF00u);
}

TEST(HarnessPixels, SheetPlacesThumbnailsInRowsWithCaptionsBelow) {
  const SheetLayout layout = LayOutSheet(5, 100, 80, 4, 20, 10);
  EXPECT_EQ(layout.width, 10 + 4 * 110);
  EXPECT_EQ(layout.height, 10 + 2 * 110);
  ASSERT_EQ(layout.thumbs.size(), 5u);
  EXPECT_EQ(layout.thumbs[3].left, 340);
  EXPECT_EQ(layout.thumbs[4].left, 10);
  EXPECT_EQ(layout.thumbs[4].top, 120);
  EXPECT_EQ(layout.captions[4].top, 200);
  EXPECT_EQ(layout.captions[4].bottom, 220);
  EXPECT_EQ(LayOutSheet(2, 100, 80, 4, 20, 10).width, 10 + 2 * 110);
}

// --- the event log ---------------------------------------------------------------------------

TEST(HarnessEventLog, WaitsForAnEventFromAnotherThread) {
  EventLog log;
  const uint64_t since = log.Next();
  std::thread sender([&log] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Event other;
    other.kind = EventKind::HostPageShown;
    log.Add(other);
    Event link;
    link.kind = EventKind::LinkReceived;
    link.text = "/page=2";
    log.Add(link);
  });
  Event found;
  const bool seen = log.WaitFor(
      since, 5000, [](const Event& e) { return e.kind == EventKind::LinkReceived; }, &found);
  sender.join();
  ASSERT_TRUE(seen);
  EXPECT_EQ(found.text, "/page=2");
  EXPECT_EQ(found.sequence, since + 1);
  EXPECT_EQ(log.Since(since).size(), 2u);
}

TEST(HarnessEventLog, GivesUpAfterItsTimeAndIgnoresEarlierEvents) {
  EventLog log;
  Event install;
  install.kind = EventKind::InstallRequest;
  log.Add(install);
  const uint64_t since = log.Next();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(log.WaitFor(
      since, 100, [](const Event& e) { return e.kind == EventKind::InstallRequest; }, nullptr));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
}

TEST(HarnessEventLog, DescribesWhatAStepLinePrints) {
  Event record;
  record.kind = EventKind::RecordSent;
  record.state = 1;
  record.reply = 1;
  record.answer = true;
  EXPECT_EQ(DescribeEvent(record), "record connected (answering the install request), reply 1");
  Event link;
  link.kind = EventKind::LinkReceived;
  link.text = "/page=3";
  link.wellFormed = false;
  link.cbData = 14;
  EXPECT_EQ(DescribeEvent(link), "\"/page=3\" (malformed: dwData 0, cbData 14, wParam 0)");
}

}  // namespace
