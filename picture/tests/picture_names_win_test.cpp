// Hostile model and picture names from the phone and the lookup service never write outside
// the cache folder and never start a lookup; ordinary names reach the service unchanged in
// meaning and land under their usual file names.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "picture/cache_names.h"
#include "picture/download_thread.h"
#include "picture/picture_cache.h"
#include "testing/hostile_names.h"
#include "testing/lookup_stand_in.h"
#include "testing/stand_in_test.h"

namespace {

class PictureNamesTest : public StandInTest {
 protected:
  void TearDown() override {
    StandInTest::TearDown();
    service->Reset();
  }

  bool Lookup(std::u16string_view model) {
    return StartLookupIn(launcher, receiver.Hwnd(), sandbox.Cache(), service->Base(), model, u"");
  }
  // Nothing but the cache folder in the sandbox, and nothing escaped beside the sandbox.
  void ExpectNothingOutsideTheCache() const {
    EXPECT_EQ(Sandbox::List(sandbox.Root()), std::vector<std::u16string>{u"MobileImage"});
    const std::u16string parent = sandbox.Root().substr(0, sandbox.Root().rfind(u'\\'));
    for (const char16_t* name : {u"escape", u"escape.ini", u"evil.png"}) {
      EXPECT_FALSE(FileExists(parent + u"\\" + name));
      EXPECT_FALSE(FileExists(parent.substr(0, parent.rfind(u'\\')) + u"\\" + name));
    }
  }

  Sandbox sandbox;
  ProfileReceiver receiver;
  CDownloadThread launcher;
};

TEST_F(PictureNamesTest, AHostileModelNameStartsNoLookupAndWritesNothing) {
  const auto names = HostileFileNames();
  ASSERT_GE(names.size(), 60u);
  for (const HostileName& hostile : names) {
    EXPECT_FALSE(Lookup(hostile.name)) << hostile.why;
  }
  EXPECT_EQ(CDownloadThread::RunningWorkers(), 0);
  EXPECT_EQ(service->Total(), 0);
  EXPECT_TRUE(Sandbox::List(sandbox.Cache()).empty());
  ExpectNothingOutsideTheCache();
}

TEST_F(PictureNamesTest, AModelNameTooLongForTheCacheFolderStartsNoLookup) {
  const size_t room = kMaxPathChars - sandbox.Cache().size() - 5;
  EXPECT_FALSE(Lookup(std::u16string(room + 1, u'm')));
  EXPECT_EQ(service->Total(), 0);
  EXPECT_TRUE(Lookup(std::u16string(room, u'm')));
  ASSERT_TRUE(WaitForWorkers());
  EXPECT_EQ(service->Total(), 1);
}

TEST_F(PictureNamesTest, AHostilePictureNameIsNeverFetchedOrWritten) {
  const auto names = HostileFileNames();
  int tried = 0;
  for (const HostileName& hostile : names) {
    // The stand-in writes the name into its profile as UTF-8; broken surrogates have none.
    if (EncodeQueryValue(hostile.name).empty() && !hostile.name.empty()) continue;
    SCOPED_TRACE(hostile.why);
    ++tried;
    service->Reset();
    service->Get("/__control?image_url=" + QueryEscape(service->Base() + u"/pictures/" + hostile.name));
    ASSERT_TRUE(Lookup(u"Fennick F2"));
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(service->ProfileRequests("Fennick F2"), 1);
    // A name with a NUL spoils the whole profile, which then is not kept either.
    for (const std::u16string& file : Sandbox::List(sandbox.Cache())) EXPECT_EQ(file, u"Fennick F2.ini");
    ExpectNothingOutsideTheCache();
  }
  EXPECT_GE(tried, 60);
  EXPECT_TRUE(receiver.Accepted().empty());
}

TEST_F(PictureNamesTest, OrdinaryNamesReachTheServiceAsTheyAre) {
  for (const std::u16string& name : OrdinaryNames()) {
    SCOPED_TRACE(Utf8(name));
    service->Reset();
    ASSERT_TRUE(Lookup(name));
    ASSERT_TRUE(WaitForWorkers());
    // The service decodes exactly the phone's name, and being unknown answers 404.
    EXPECT_EQ(service->ProfileRequests(Utf8(name)), 1) << service->Get("/__stats");
    EXPECT_EQ(service->Total(), 1);
  }
  EXPECT_TRUE(Sandbox::List(sandbox.Cache()).empty());
  ExpectNothingOutsideTheCache();
}

TEST_F(PictureNamesTest, APlainNameIsSentWithoutEscapes) {
  ASSERT_TRUE(Lookup(u"Quorle-Q5_x.1"));
  ASSERT_TRUE(WaitForWorkers());
  EXPECT_EQ(std::atoi(service->Get("/__stats?path=" + QueryEscape(u"/intf/getPhoneModel?pm[]=Quorle-Q5_x.1")).c_str()),
            1);
}

TEST_F(PictureNamesTest, AKnownModelIsCachedUnderItsOwnNameWhateverItsCase) {
  ASSERT_TRUE(Lookup(u"tallow t9 PRO"));
  ASSERT_TRUE(WaitForWorkers());
  EXPECT_EQ(Sandbox::List(sandbox.Cache()), (std::vector<std::u16string>{u"tallow t9 PRO.ini", u"tallow_t9_pro.png"}));
  ASSERT_EQ(receiver.Accepted().size(), 1u);
  EXPECT_EQ(receiver.Accepted()[0].rawModel, u"tallow t9 PRO");
  EXPECT_EQ(receiver.Accepted()[0].fixedModel, u"Tallow T9 Pro");
}

}  // namespace
