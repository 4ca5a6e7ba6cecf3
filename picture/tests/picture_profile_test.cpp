// Reading a model profile: the screen coordinate, numbers, the keys of the model's section,
// the file's encodings and the paths taken from the profile's own location.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "picture/model_profile.h"
#include "testing/text.h"

namespace {

std::string Utf16(const char16_t* text, bool bigEndian) {
  std::string out = bigEndian ? std::string("\xFE\xFF") : std::string("\xFF\xFE");
  for (const char16_t* p = text; *p != 0; ++p) {
    const char high = static_cast<char>(*p >> 8);
    const char low = static_cast<char>(*p & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  }
  return out;
}

// Stands in for a double-byte ANSI code page: every byte pair becomes one marker character.
std::u16string PairsAsMarkers(std::string_view bytes) { return std::u16string((bytes.size() + 1) / 2, u'#'); }

struct CoordinateCase {
  const char16_t* value;
  bool parsed;
  int32_t numbers[4];
};

TEST(ScreenCoordinateTest, SeparatorsAreFoundBySubstringSearch) {
  const CoordinateCase cases[] = {
      {u"12,34;56,78", true, {12, 34, 56, 78}},
      {u" 12 , 34 ; 56 , 78 ", true, {12, 34, 56, 78}},
      {u"\t12,\t34;\t56,\t78", true, {12, 34, 56, 78}},
      {u"12,34;56", false, {-1, -1, -1, -1}},
      {u"12;34,56,78", false, {-1, -1, -1, -1}},
      {u"1,2;3,4,5", true, {1, 2, 3, 4}},
      {u"a,b;c,d", true, {0, 0, 0, 0}},
      {u"-5,+6;-0,7px", true, {-5, 6, 0, 7}},
      {u",;,", true, {0, 0, 0, 0}},
      {u"1,2,3;4,5", true, {1, 2, 4, 5}},
      {u"", false, {-1, -1, -1, -1}},
      {u"1,2;;3,4", true, {1, 2, 0, 4}},
      {u"99999999999,-99999999999;2147483647,-2147483648", true, {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN}},
  };
  for (const CoordinateCase& c : cases) {
    int32_t numbers[4] = {-1, -1, -1, -1};
    EXPECT_EQ(ParseScreenCoordinate(c.value, numbers), c.parsed) << Utf8(c.value);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(numbers[i], c.numbers[i]) << Utf8(c.value) << " number " << i;
  }
}

TEST(ScreenCoordinateTest, NumbersConvertLikeTheCLibrary) {
  const struct {
    const char16_t* text;
    int32_t value;
  } cases[] = {
      {u"0", 0},
      {u"42", 42},
      {u"  42", 42},
      {u"\n\v\f\r 7", 7},
      {u"+42", 42},
      {u"-42", -42},
      {u"42abc", 42},
      {u"4 2", 4},
      {u"- 42", 0},
      {u"+-1", 0},
      {u"abc", 0},
      {u"", 0},
      {u"2147483647", INT32_MAX},
      {u"2147483648", INT32_MAX},
      {u"-2147483648", INT32_MIN},
      {u"-2147483649", INT32_MIN},
      {u"000000000000000000000000012", 12},
      {u"99999999999999999999999999999999", INT32_MAX},
      {u"-99999999999999999999999999999999", INT32_MIN},
      {u"\uFF11", 0},  // a full-width digit is not a digit here
  };
  for (const auto& c : cases) EXPECT_EQ(ParseBase10(c.text), c.value) << Utf8(c.text);
}

TEST(ProfileTextTest, KeysAreFoundInTheModelsOwnSection) {
  const std::u16string text =
      u"Stray=1\r\n"
      u"[Other]\r\n"
      u"FixedPhoneModel=Wrong\r\n"
      u"  [ Spaced ]  \r\n"
      u"FixedPhoneModel=Spaced name\r\n"
      u"[fennick f2]\r\n"
      u"  fixedphonemodel  =   Fennick F2 Lite  \r\n"
      u"FixedPhoneModel=Second\r\n"
      u"ImageUrl=\"http://h/p/q.png\"\r\n"
      u"Quoted='x'\n"
      u"Unbalanced=\"x\n"
      u"Lone=\"\r"
      u"Empty=\r\n"
      u"Bare\r\n"
      u"Eq==v=w\r\n"
      u"[Fennick F2]\n"
      u"Later=only in the second section\n";
  const struct {
    const char16_t* section;
    const char16_t* key;
    bool found;
    const char16_t* value;
  } cases[] = {
      {u"Fennick F2", u"FixedPhoneModel", true, u"Fennick F2 Lite"},
      {u"  FENNICK F2 ", u"FIXEDPHONEMODEL", true, u"Fennick F2 Lite"},
      {u"Fennick F2", u"ImageUrl", true, u"http://h/p/q.png"},
      {u"Fennick F2", u"Quoted", true, u"x"},
      {u"Fennick F2", u"Unbalanced", true, u"\"x"},
      {u"Fennick F2", u"Lone", true, u"\""},
      {u"Fennick F2", u"Empty", true, u""},
      {u"Fennick F2", u"Bare", true, u""},
      {u"Fennick F2", u"Eq", true, u"=v=w"},
      {u"Fennick F2", u"Later", false, u""},
      {u"Fennick F2", u"Stray", false, u""},
      {u"Other", u"FixedPhoneModel", true, u"Wrong"},
      {u"Spaced", u"FixedPhoneModel", false, u""},
      {u" Spaced ", u"FixedPhoneModel", false, u""},
      {u"Missing", u"FixedPhoneModel", false, u""},
  };
  for (const auto& c : cases) {
    std::u16string value = u"unchanged";
    EXPECT_EQ(FindProfileValue(text, c.section, c.key, value), c.found) << Utf8(c.section) << "/" << Utf8(c.key);
    if (c.found) {
      EXPECT_EQ(value, c.value) << Utf8(c.section) << "/" << Utf8(c.key);
    }
  }
}

TEST(ProfileTextTest, ValuesAreCutTo2047Characters) {
  for (size_t length : {2046u, 2047u, 2048u, 5000u}) {
    const std::u16string text = u"[M]\nImageUrl=" + std::u16string(length, u'v') + u"\n";
    std::u16string value;
    ASSERT_TRUE(FindProfileValue(text, u"M", u"ImageUrl", value));
    EXPECT_EQ(value.size(), length < 2047 ? length : 2047u);
  }
  std::u16string value;
  ASSERT_TRUE(FindProfileValue(u"[M]\nK=\"" + std::u16string(3000, u'q') + u"\"", u"M", u"K", value));
  EXPECT_EQ(value, std::u16string(2047, u'q'));
}

TEST(ProfileTextTest, EncodingsAreRecognisedByMarkOrByUtf8Validity) {
  const char16_t* text = u"[M]\nFixedPhoneModel=\u9752\u6625 \u00E9 \U0001F4F1\n";
  const std::u16string expected = u"\u9752\u6625 \u00E9 \U0001F4F1";
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"UTF-16LE with mark", Utf16(text, false)},
      {"UTF-16BE with mark", Utf16(text, true)},
      {"UTF-8 with mark", "\xEF\xBB\xBF" + Utf8(text)},
      {"UTF-8 without mark", Utf8(text)},
  };
  for (const auto& c : cases) {
    std::u16string value;
    ASSERT_TRUE(FindProfileValue(DecodeProfileText(c.bytes, PairsAsMarkers), u"M", u"FixedPhoneModel", value))
        << c.name;
    EXPECT_EQ(value, expected) << c.name;
  }
}

TEST(ProfileTextTest, BytesThatAreNotUtf8GoThroughTheAnsiDecoder) {
  EXPECT_EQ(DecodeProfileText("caf\xE9", DecodeLatin1), u"caf\u00E9");
  EXPECT_EQ(DecodeProfileText("\xC7\xE0\xB4\xBA", PairsAsMarkers), u"##");
  EXPECT_EQ(DecodeProfileText("\xC0\x80", PairsAsMarkers), u"#");           // overlong NUL
  EXPECT_EQ(DecodeProfileText("\xED\xA0\x80", DecodeLatin1).size(), 3u);    // encoded surrogate
  EXPECT_EQ(DecodeProfileText("\xF4\x90\x80\x80", PairsAsMarkers), u"##");  // past U+10FFFF
  EXPECT_EQ(DecodeProfileText("abc\xE4\xB8", PairsAsMarkers), u"###");      // cut short
  EXPECT_EQ(DecodeProfileText("plain", PairsAsMarkers), u"plain");
  // With a mark, bad bytes become replacement characters instead.
  EXPECT_EQ(DecodeProfileText("\xEF\xBB\xBF"
                              "a\xFF"
                              "b",
                              PairsAsMarkers),
            u"a\uFFFDb");
  // An odd byte at the end of UTF-16 is dropped.
  EXPECT_EQ(DecodeProfileText(std::string("\xFF\xFE"
                                          "A\0B",
                                          5),
                              PairsAsMarkers),
            u"A");
}

class LoadProfileTest : public ::testing::Test {
 protected:
  bool Load(const std::u16string& path, const std::string& bytes,
            const std::u16string& defaultUrl = u"http://default/img/default.png") {
    return LoadProfileBytes(record, path, defaultUrl, &bytes);
  }
  ModelProfile record;
};

TEST_F(LoadProfileTest, AMissingFileLeavesTheRecordUntouched) {
  record.fixedModel = u"kept";
  EXPECT_FALSE(LoadProfileBytes(record, u"C:\\cache\\M1.ini", u"http://d/x.png", nullptr));
  EXPECT_EQ(record.fixedModel, u"kept");
  EXPECT_TRUE(record.rawModel.empty());
  EXPECT_TRUE(record.profileFolder.empty());
}

TEST_F(LoadProfileTest, ATypicalProfileFillsEveryField) {
  ASSERT_TRUE(Load(u"C:\\cache\\M1.ini",
                   "[M1]\r\nFixedPhoneModel=Model One\r\nImageUrl=http://h/pictures/pic.png\r\n"
                   "ScreenCoordinate=12,34;56,78\r\n"));
  EXPECT_EQ(record.loaded, 0);
  EXPECT_EQ(record.rawModel, u"M1");
  EXPECT_EQ(record.fixedModel, u"Model One");
  EXPECT_EQ(record.imageUrl, u"http://h/pictures/pic.png");
  EXPECT_EQ(record.profileFolder, u"C:\\cache\\");
  EXPECT_EQ(record.localImagePath, u"C:\\cache\\pic.png");
  const int32_t expected[4] = {12, 34, 56, 78};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(record.screenCoordinate[i], expected[i]);
}

TEST_F(LoadProfileTest, TheSectionIsTheFileNameWithoutItsLastFourCharacters) {
  const struct {
    const char16_t* path;
    const char16_t* rawModel;
    const char16_t* folder;
  } cases[] = {
      {u"C:\\cache\\X.ini", u"X", u"C:\\cache\\"},
      {u"C:\\cache\\.ini", u".ini", u"C:\\cache\\"},
      {u"C:\\cache\\ab", u"ab", u"C:\\cache\\"},
      {u"C:\\cache\\Tallow T9 Pro.ini", u"Tallow T9 Pro", u"C:\\cache\\"},
      {u"M2.ini", u"M2", u""},
      {u"C:\\a.b\\c.d\\M3.txt", u"M3", u"C:\\a.b\\c.d\\"},
  };
  for (const auto& c : cases) {
    ModelProfile fresh;
    const std::string bytes = "[" + Utf8(c.rawModel) + "]\nFixedPhoneModel=Found\n";
    ASSERT_TRUE(LoadProfileBytes(fresh, c.path, u"http://d/x.png", &bytes)) << Utf8(c.path);
    EXPECT_EQ(fresh.rawModel, c.rawModel) << Utf8(c.path);
    EXPECT_EQ(fresh.profileFolder, c.folder) << Utf8(c.path);
    EXPECT_EQ(fresh.fixedModel, u"Found") << Utf8(c.path);
  }
}

TEST_F(LoadProfileTest, TheLocalPictureIsNamedAfterTheUrlsLastSegment) {
  const struct {
    const char* imageUrl;
    const char16_t* localImagePath;
  } cases[] = {
      {"http://h/pictures/pic.png", u"C:\\cache\\pic.png"},
      {"pic.png", u"C:\\cache\\pic.png"},
      {"http://h/pictures/", u""},
      {"http://h/pictures/..", u""},
      {"http://h/pictures/a\\..\\..\\evil.png", u""},
      {"http://h/pictures/c:evil.png", u""},
      {"http://h/pictures/NUL.png", u""},
      {"http://h/pictures/pic.png?v=2", u""},
      {"http://h/pictures/pic.png.", u""},
  };
  for (const auto& c : cases) {
    ModelProfile fresh;
    const std::string bytes = std::string("[M1]\nImageUrl=") + c.imageUrl + "\n";
    ASSERT_TRUE(LoadProfileBytes(fresh, u"C:\\cache\\M1.ini", u"http://d/x.png", &bytes)) << c.imageUrl;
    EXPECT_EQ(fresh.localImagePath, c.localImagePath) << c.imageUrl;
  }
}

TEST_F(LoadProfileTest, APictureNameThatWouldMakeTooLongAPathIsUnusable) {
  const std::u16string folder = u"C:\\" + std::u16string(240, u'f') + u"\\";
  const std::u16string path = folder + u"M.ini";
  const std::string fits = "[M]\nImageUrl=http://h/" + std::string(259 - folder.size(), 'p') + "\n";
  const std::string tooLong = "[M]\nImageUrl=http://h/" + std::string(260 - folder.size(), 'p') + "\n";
  ASSERT_TRUE(Load(path, fits));
  EXPECT_EQ(record.localImagePath.size(), 259u);
  ModelProfile other;
  ASSERT_TRUE(LoadProfileBytes(other, path, u"", &tooLong));
  EXPECT_TRUE(other.localImagePath.empty());
}

TEST_F(LoadProfileTest, AFileWithoutTheKeysStillLoadsWithDefaults) {
  const std::string cases[] = {
      "",
      "<html><body>404 Not Found</body></html>",
      "[Other]\nFixedPhoneModel=X\nImageUrl=http://h/other.png\nScreenCoordinate=1,2;3,4\n",
      "[M1]\nFixedPhoneModel=\nImageUrl=\n",
      std::string(kMaxProfileBytes + 1, ' ') + "\n[M1]\nFixedPhoneModel=Too far\n",
  };
  for (const std::string& bytes : cases) {
    ModelProfile fresh;
    ASSERT_TRUE(LoadProfileBytes(fresh, u"C:\\cache\\M1.ini", u"http://d/img/default.png", &bytes));
    // The page shows the phone's own name rather than nothing.
    EXPECT_EQ(fresh.fixedModel, u"M1");
    EXPECT_EQ(fresh.imageUrl, u"http://d/img/default.png");
    EXPECT_EQ(fresh.localImagePath, u"C:\\cache\\default.png");
    for (int32_t n : fresh.screenCoordinate) EXPECT_EQ(n, 0);
  }
}

TEST_F(LoadProfileTest, AnUnreadableCoordinateLeavesTheNumbersZero) {
  ASSERT_TRUE(Load(u"C:\\c\\M.ini", "[M]\nScreenCoordinate=12;34,56,78\n"));
  for (int32_t n : record.screenCoordinate) EXPECT_EQ(n, 0);
}

TEST_F(LoadProfileTest, AUtf8ProfileShowsItsNameUngarbled) {
  ASSERT_TRUE(Load(u"C:\\c\\Ostrel 8X.ini", Utf8(u"[Ostrel 8X]\nFixedPhoneModel=Ostrel 8X \u9752\u6625\u7248\n")));
  EXPECT_EQ(record.fixedModel, u"Ostrel 8X \u9752\u6625\u7248");
}

TEST(PlausibleProfileTest, OnlyTextWithTheModelsSectionIsKept) {
  const struct {
    const char* name;
    std::string bytes;
    bool plausible;
  } cases[] = {
      {"profile", "[M1]\nFixedPhoneModel=One\n", true},
      {"section in other case", "[m1]\n", true},
      {"UTF-16 profile", Utf16(u"[M1]\r\nImageUrl=http://h/a.png\r\n", false), true},
      {"empty", "", false},
      {"error page", "<html><head><title>Error</title></head><body>Not found</body></html>", false},
      {"other model", "[M2]\nFixedPhoneModel=Two\n", false},
      {"binary", std::string("[M1]\n\0\x01\x02", 8), false},
      {"PNG", "\x89PNG\r\n\x1A\n", false},
      {"oversized", "[M1]\n" + std::string(kMaxProfileBytes, 'x'), false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsPlausibleProfile(c.bytes, u"M1", DecodeLatin1), c.plausible) << c.name;
}

TEST(CopyProfileTest, EveryFieldIsCopied) {
  ModelProfile from;
  from.loaded = 1;
  from.screenCoordinate[0] = 1;
  from.screenCoordinate[3] = -4;
  from.rawModel = u"raw";
  from.fixedModel = u"fixed";
  from.imageUrl = u"http://h/p.png";
  from.localImagePath = u"C:\\c\\p.png";
  from.profileFolder = u"C:\\c\\";
  ModelProfile to;
  to.fixedModel = u"old";
  CopyProfile(to, from);
  EXPECT_EQ(to.loaded, 1);
  EXPECT_EQ(to.screenCoordinate[0], 1);
  EXPECT_EQ(to.screenCoordinate[3], -4);
  EXPECT_EQ(to.rawModel, from.rawModel);
  EXPECT_EQ(to.fixedModel, from.fixedModel);
  EXPECT_EQ(to.imageUrl, from.imageUrl);
  EXPECT_EQ(to.localImagePath, from.localImagePath);
  EXPECT_EQ(to.profileFolder, from.profileFolder);
}

}  // namespace
