// Names taken from the phone and the lookup service: which can become cache files, how the
// lookup request carries them, and the model-name rules of the page.

#include <gtest/gtest.h>

#include <string>

#include "picture/cache_names.h"
#include "picture/model_profile.h"
#include "testing/hostile_names.h"

namespace {

std::string Printable(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escape[12];
      snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
      out += escape;
    }
  }
  return out;
}

TEST(CacheNamesTest, HostileNamesAreUnusable) {
  const auto names = HostileFileNames();
  ASSERT_GE(names.size(), 60u);
  for (const HostileName& hostile : names) {
    EXPECT_FALSE(IsUsableFileName(hostile.name)) << hostile.why << ": " << Printable(hostile.name);
    EXPECT_FALSE(IsUsableModelName(hostile.name)) << hostile.why;
    EXPECT_EQ(ProfilePathFor(u"C:\\m\\MobileImage", hostile.name), u"") << hostile.why;
    EXPECT_EQ(LookupRequestUrl(u"http://127.0.0.1:8087", hostile.name), u"") << hostile.why;
  }
}

TEST(CacheNamesTest, OrdinaryNamesGiveTheUsualFileNames) {
  for (const std::u16string& name : OrdinaryNames()) {
    EXPECT_TRUE(IsUsableFileName(name)) << Printable(name);
    EXPECT_EQ(ProfilePathFor(u"C:\\m\\MobileImage", name), u"C:\\m\\MobileImage\\" + name + u".ini") << Printable(name);
  }
}

TEST(CacheNamesTest, TheProfilePathMustFitA260CharacterBuffer) {
  const std::u16string folder = u"C:\\" + std::u16string(200, u'f');
  const std::u16string fits(259 - folder.size() - 5, u'm');
  EXPECT_EQ(ProfilePathFor(folder, fits).size(), 259u);
  EXPECT_EQ(ProfilePathFor(folder, fits + u"m"), u"");
  EXPECT_EQ(ProfilePathFor(u"", u"M1"), u"");
  // A file name of 252 characters fits a file system entry with ".ini", one more does not.
  EXPECT_TRUE(IsUsableModelName(std::u16string(251, u'm')));
  EXPECT_FALSE(IsUsableModelName(std::u16string(252, u'm')));
}

TEST(LookupUrlTest, OrdinaryNamesAreSentUnchanged) {
  const char16_t* names[] = {u"FennickF2", u"Q5",  u"Tallow-T9_Pro", u"v1.2", u"Model(2)", u"x~1",
                             u"[brand]",   u"a=b", u"a;b",           u"a'b",  u"a!b$c,d@e"};
  for (const char16_t* name : names) {
    std::u16string expected = u"http://127.0.0.1:8087/intf/getPhoneModel?pm[]=";
    expected += name;
    EXPECT_EQ(LookupRequestUrl(u"http://127.0.0.1:8087", name), expected) << Printable(name);
  }
}

TEST(LookupUrlTest, CharactersThatWouldChangeTheRequestAreEscapedAsUtf8) {
  const struct {
    const char16_t* name;
    const char16_t* query;
  } cases[] = {
      {u"Tallow T9 Pro", u"Tallow%20T9%20Pro"},
      {u"a#b", u"a%23b"},
      {u"a&pm[]=b", u"a%26pm[]=b"},
      {u"100%", u"100%25"},
      {u"a+b", u"a%2Bb"},
      {u"caf\u00E9", u"caf%C3%A9"},
      {u"\u578B\u53F7", u"%E5%9E%8B%E5%8F%B7"},
      {u"x\U0001F4F1", u"x%F0%9F%93%B1"},
      {u"a^b`c{d}", u"a%5Eb%60c%7Bd%7D"},
      {u" leading", u"%20leading"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LookupRequestUrl(u"http://h:1", c.name), std::u16string(u"http://h:1/intf/getPhoneModel?pm[]=") + c.query)
        << Printable(c.name);
  }
  EXPECT_EQ(EncodeQueryValue(u"a\tb\x7F"), u"a%09b%7F");
  EXPECT_EQ(EncodeQueryValue(u"a\u0085"), u"a%C2%85");
  EXPECT_EQ(EncodeQueryValue(WithUnit(u"a", 0xD800, u"b")), u"");
  // A whole URL on its way to the wire keeps its reserved characters.
  EXPECT_EQ(EscapeUnsafeUrlCharacters(u"http://h:1/a b/caf\u00E9.png?pm[]=x%20y&z=#f"),
            u"http://h:1/a%20b/caf%C3%A9.png?pm[]=x%20y&z=#f");
  EXPECT_EQ(EscapeUnsafeUrlCharacters(WithUnit(u"http://h/", 0xDC00, u".png")), u"");
}

TEST(LookupUrlTest, TheBaseMayEndWithASlash) {
  EXPECT_EQ(LookupRequestUrl(u"http://h:8087/", u"Q5"), u"http://h:8087/intf/getPhoneModel?pm[]=Q5");
  EXPECT_EQ(LookupRequestUrl(u"http://h:8087/svc//", u"Q5"), u"http://h:8087/svc/intf/getPhoneModel?pm[]=Q5");
}

TEST(LookupUrlTest, OnlyHttpPicturesAreFetched) {
  EXPECT_TRUE(IsFetchableUrl(u"http://h/p.png"));
  EXPECT_TRUE(IsFetchableUrl(u"HTTPS://h/p.png"));
  EXPECT_FALSE(IsFetchableUrl(u"file:///C:/windows/win.ini"));
  EXPECT_FALSE(IsFetchableUrl(u"C:\\pictures\\p.png"));
  EXPECT_FALSE(IsFetchableUrl(u"ftp://h/p.png"));
  EXPECT_FALSE(IsFetchableUrl(u"http://h/p\n.png"));
  EXPECT_FALSE(IsFetchableUrl(u""));
}

TEST(ModelNameRuleTest, OnlyAsciiLettersCompareWithoutCase) {
  EXPECT_TRUE(SameModelName(u"Fennick F2", u"FENNICK f2"));
  EXPECT_TRUE(SameModelName(u"", u""));
  EXPECT_FALSE(SameModelName(u"Fennick F2", u"Fennick F2 "));
  EXPECT_FALSE(SameModelName(u"caf\u00E9", u"CAF\u00C9"));
  EXPECT_FALSE(SameModelName(u"[", u"{"));  // 0x5B and 0x7B differ by 32 but are not letters
  EXPECT_FALSE(SameModelName(u"@", u"`"));
}

TEST(ModelNameRuleTest, ADifferentModelResetsTheProfile) {
  ModelProfile profile;
  profile.loaded = 1;
  profile.rawModel = u"Q5";
  profile.fixedModel = u"Quorle Q5";
  profile.localImagePath = u"C:\\c\\q5.png";
  profile.screenCoordinate[0] = 9;

  EXPECT_FALSE(ApplyNewModelRule(profile, u"q5"));
  EXPECT_EQ(profile.loaded, 1);
  EXPECT_EQ(profile.rawModel, u"Q5");
  EXPECT_EQ(profile.fixedModel, u"Quorle Q5");

  EXPECT_TRUE(ApplyNewModelRule(profile, u"Brisa Mini"));
  EXPECT_EQ(profile.loaded, 0);
  EXPECT_EQ(profile.rawModel, u"Brisa Mini");
  EXPECT_EQ(profile.fixedModel, u"Brisa Mini");
  // The rest stays until the new profile arrives.
  EXPECT_EQ(profile.localImagePath, u"C:\\c\\q5.png");
  EXPECT_EQ(profile.screenCoordinate[0], 9);
}

TEST(ModelNameRuleTest, TheShownNameIsTheFixedOneCutTo63) {
  ModelProfile profile;
  profile.rawModel = u"raw";
  EXPECT_EQ(ShownModelName(profile), u"raw");
  profile.fixedModel = std::u16string(70, u'n');
  EXPECT_EQ(ShownModelName(profile), std::u16string(63, u'n'));
  profile.fixedModel = std::u16string(63, u'n');
  EXPECT_EQ(ShownModelName(profile), profile.fixedModel);
  // A pair that the cut would split is left out whole.
  profile.fixedModel = std::u16string(62, u'n') + u"\U0001F4F1" + u"tail";
  EXPECT_EQ(ShownModelName(profile), std::u16string(62, u'n'));
  profile.fixedModel = std::u16string(61, u'n') + u"\U0001F4F1" + u"tail";
  EXPECT_EQ(ShownModelName(profile), std::u16string(61, u'n') + u"\U0001F4F1");
}

}  // namespace
