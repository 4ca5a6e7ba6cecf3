// The download worker against the lookup-service stand-in: what lands in the cache, what
// the page is sent, and that bad answers, stalls and forged messages change nothing.

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "picture/download_thread.h"
#include "picture/http_download.h"
#include "picture/picture_cache.h"
#include "picture/url_fetch.h"
#include "testing/lookup_stand_in.h"
#include "testing/program_files.h"
#include "testing/stand_in_test.h"
#include "testing/test_support.h"

namespace {

struct StandInModel {
  const char16_t* rawModel;
  const char16_t* shownName;
  const char16_t* picture;
  int32_t screen[4];
};

const StandInModel kModels[] = {
    {u"Fennick F2", u"Fennick F2", u"fennick_f2.png", {12, 44, 168, 312}},
    {u"Tallow T9 Pro", u"Tallow T9 Pro", u"tallow_t9_pro.png", {8, 8, 192, 388}},
    {u"Brisa Mini", u"Brisa Mini", u"brisa_mini.png", {16, 34, 134, 146}},
    {u"Quorle Q5", u"Quorle Q5", u"quorle_q5.png", {10, 14, 180, 366}},
    {u"Ostrel 8X", u"Ostrel 8X \u9752\u6625\u7248", u"ostrel_8x.png", {14, 52, 190, 348}},
};

const char16_t kModel[] = u"Fennick F2";
const char16_t kProfileFile[] = u"Fennick F2.ini";
const char16_t kPictureFile[] = u"fennick_f2.png";
const char kErrorPage[] = "<html><body>Service unavailable</body></html>\r\n";

// Far below what a real network needs, so that answers that never end cost the suite little;
// far above what the stand-in needs for an ordinary answer.
constexpr FetchLimits kShortLimits = {1000, 1000, 2000, 2000};

class ShortFetchLimits {
 public:
  ShortFetchLimits() { SetFetchLimits(kShortLimits); }
  ~ShortFetchLimits() { SetFetchLimits(kFetchLimits); }
  ShortFetchLimits(const ShortFetchLimits&) = delete;
  ShortFetchLimits& operator=(const ShortFetchLimits&) = delete;
};

// Files in a folder and all folders below it, and the size of the largest.
void MeasureFiles(const std::u16string& folder, size_t& count, uint64_t& largest) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(WidePath(folder + u"\\*"), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::u16string name(reinterpret_cast<const char16_t*>(found.cFileName));
    if (name == u"." || name == u"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      MeasureFiles(folder + u"\\" + name, count, largest);
    } else {
      ++count;
      largest = std::max(largest, static_cast<uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow);
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

// Where the platform's internet cache keeps its copies for this user.
std::u16string InternetCacheFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_INTERNET_CACHE, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(path));
}

class PictureWorkerTest : public StandInTest {
 protected:
  bool Lookup(std::u16string_view model, HWND window) {
    return StartLookupIn(launcher, window, sandbox.Cache(), service->Base(), model, u"");
  }
  // One whole lookup for the receiver window.
  void LookupAndWait(std::u16string_view model = kModel) {
    ASSERT_TRUE(Lookup(model, receiver.Hwnd()));
    ASSERT_TRUE(WaitForWorkers());
  }
  std::vector<std::u16string> CacheFiles() const { return Sandbox::List(sandbox.Cache()); }
  // WaitForWorkers, noting the largest file the cache folder held meanwhile.
  bool WaitWatchingTheCache(uint64_t& largest) {
    const DWORD start = GetTickCount();
    for (;;) {
      size_t count = 0;
      MeasureFiles(sandbox.Cache(), count, largest);
      if (CDownloadThread::RunningWorkers() == 0) return true;
      if (GetTickCount() - start >= 10000) return false;
      PumpFor(5);
    }
  }
  static void SetNetwork(bool up) {
    CDownloadThread::SetNetworkOverride(up ? CDownloadThread::NetworkOverride::Up
                                           : CDownloadThread::NetworkOverride::Down);
  }

  Sandbox sandbox;
  ProfileReceiver receiver;
  CDownloadThread launcher;
};

TEST_F(PictureWorkerTest, AFirstLookupCachesProfileAndPictureAndNotifiesOnce) {
  for (const StandInModel& model : kModels) {
    SCOPED_TRACE(Utf8(model.rawModel));
    const size_t before = receiver.Accepted().size();
    LookupAndWait(model.rawModel);
    ASSERT_EQ(receiver.Accepted().size(), before + 1);
    const ModelProfile& got = receiver.Accepted().back();
    EXPECT_EQ(got.loaded, 1);
    EXPECT_EQ(got.rawModel, model.rawModel);
    EXPECT_EQ(got.fixedModel, model.shownName);
    EXPECT_EQ(got.imageUrl, service->Base() + u"/pictures/" + model.picture);
    EXPECT_EQ(got.profileFolder, sandbox.Cache() + u"\\");
    EXPECT_EQ(got.localImagePath, sandbox.InCache(model.picture));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(got.screenCoordinate[i], model.screen[i]);

    EXPECT_EQ(service->ProfileRequests(Utf8(model.rawModel)), 1);
    EXPECT_EQ(service->PictureRequests(Utf8(model.picture)), 1);
    EXPECT_EQ(ReadAll(sandbox.InCache(model.picture)),
              ReadSource(("tools/lookup_service/data/pictures/" + Utf8(model.picture)).c_str()));
    EXPECT_TRUE(FileExists(sandbox.InCache(std::u16string(model.rawModel) + u".ini")));
  }
  EXPECT_EQ(service->Total(), 10);
  EXPECT_EQ(receiver.Rejected(), 0);
  // Exactly the usual names, no temporary files left, nothing beside the cache folder.
  EXPECT_EQ(CacheFiles().size(), 10u);
  EXPECT_EQ(Sandbox::List(sandbox.Root()), std::vector<std::u16string>{u"MobileImage"});
}

TEST_F(PictureWorkerTest, TheCachedFilesAreTheServicesAnswersUnchanged) {
  LookupAndWait();
  ASSERT_EQ(receiver.Accepted().size(), 1u);
  EXPECT_EQ(ReadAll(sandbox.InCache(kPictureFile)), service->Get("/pictures/fennick_f2.png"));
  EXPECT_EQ(ReadAll(sandbox.InCache(kProfileFile)), service->Get("/intf/getPhoneModel?pm[]=Fennick%20F2"));
}

TEST_F(PictureWorkerTest, WithTheNetworkDownBothCachedFilesStillNotifyWithoutARequest) {
  LookupAndWait();
  service->Reset();
  SetNetwork(false);
  LookupAndWait();
  EXPECT_EQ(receiver.Accepted().size(), 2u);
  EXPECT_EQ(receiver.Accepted().back().fixedModel, u"Fennick F2");
  EXPECT_EQ(service->Total(), 0);
}

TEST_F(PictureWorkerTest, WithTheNetworkDownAndNoPictureNothingIsSentOrAsked) {
  LookupAndWait();
  ASSERT_TRUE(DeleteFileW(WidePath(sandbox.InCache(kPictureFile))));
  service->Reset();
  SetNetwork(false);
  LookupAndWait();
  EXPECT_EQ(receiver.Accepted().size(), 1u);
  EXPECT_EQ(service->Total(), 0);
  EXPECT_FALSE(FileExists(sandbox.InCache(kPictureFile)));
}

TEST_F(PictureWorkerTest, WithThePictureCachedOnlyTheProfileIsFetchedAgain) {
  LookupAndWait();
  service->Reset();
  LookupAndWait();
  EXPECT_EQ(receiver.Accepted().size(), 2u);
  EXPECT_EQ(service->ProfileRequests("Fennick F2"), 1);
  EXPECT_EQ(service->Total(), 1);
}

TEST_F(PictureWorkerTest, ALockedProfileMovesAsideAndTheNewOneIsDownloaded) {
  LookupAndWait();
  const std::u16string profile = sandbox.InCache(kProfileFile);
  const std::string old = "[Fennick F2]\r\nFixedPhoneModel=Old name\r\n";
  ASSERT_TRUE(WriteAll(profile, old));
  // Read-only files cannot be deleted, but they can be renamed.
  ASSERT_TRUE(SetFileAttributesW(WidePath(profile), FILE_ATTRIBUTE_READONLY));

  LookupAndWait();
  const std::u16string aside = sandbox.Root() + u"\\MobileImage~" + kProfileFile;
  EXPECT_EQ(ReadAll(aside), old);
  EXPECT_EQ(ReadAll(profile), service->Get("/intf/getPhoneModel?pm[]=Fennick%20F2"));
  ASSERT_EQ(receiver.Accepted().size(), 2u);
  EXPECT_EQ(receiver.Accepted().back().fixedModel, u"Fennick F2");
  EXPECT_EQ(Sandbox::List(sandbox.Root()),
            (std::vector<std::u16string>{u"MobileImage", u"MobileImage~Fennick F2.ini"}));
}

struct BadAnswer {
  const char* mode;
  const char* extra;
};

const BadAnswer kBadAnswers[] = {
    {"404", ""},
    {"html200", ""},
    {"truncate", ""},
    {"redirect", ""},
    {"oversize", "&size=3000000"},
    {"redirect", "&location=file:///C:/windows/win.ini"},
};

TEST_F(PictureWorkerTest, ABadProfileAnswerKeepsTheGoodCachedProfile) {
  LookupAndWait();
  const std::string good = ReadAll(sandbox.InCache(kProfileFile));
  ASSERT_FALSE(good.empty());
  for (const BadAnswer& bad : kBadAnswers) {
    SCOPED_TRACE(std::string(bad.mode) + bad.extra);
    service->Reset();
    service->Misbehave(bad.mode, "/intf/", bad.extra);
    const size_t before = receiver.Accepted().size();
    LookupAndWait();
    EXPECT_EQ(service->ProfileRequests("Fennick F2"), 1);
    EXPECT_EQ(ReadAll(sandbox.InCache(kProfileFile)), good);
    EXPECT_EQ(CacheFiles(), (std::vector<std::u16string>{kProfileFile, kPictureFile}));
    // The cache still answers.
    ASSERT_EQ(receiver.Accepted().size(), before + 1);
    EXPECT_EQ(receiver.Accepted().back().fixedModel, u"Fennick F2");
  }
}

TEST_F(PictureWorkerTest, ABadPictureAnswerStoresNothingAndSendsNothing) {
  for (const BadAnswer& bad : kBadAnswers) {
    SCOPED_TRACE(std::string(bad.mode) + bad.extra);
    service->Reset();
    service->Misbehave(bad.mode, "/pictures/", bad.extra);
    LookupAndWait();
    EXPECT_EQ(service->PictureRequests("fennick_f2.png"), 1);
    EXPECT_EQ(CacheFiles(), std::vector<std::u16string>{kProfileFile});
    EXPECT_TRUE(receiver.Accepted().empty());
  }
  service->Reset();
  LookupAndWait();
  EXPECT_EQ(CacheFiles(), (std::vector<std::u16string>{kProfileFile, kPictureFile}));
  EXPECT_EQ(receiver.Accepted().size(), 1u);
}

TEST_F(PictureWorkerTest, AStallThatEndsStillCompletesTheLookup) {
  service->Misbehave("stall-during", "/pictures/", "&stall=1");
  LookupAndWait();
  EXPECT_EQ(receiver.Accepted().size(), 1u);
  EXPECT_EQ(CacheFiles(), (std::vector<std::u16string>{kProfileFile, kPictureFile}));
}

TEST_F(PictureWorkerTest, AWindowDestroyedDuringAStallIsSentNothing) {
  service->Misbehave("stall-before", "/intf/", "&stall=2");
  ASSERT_TRUE(Lookup(kModel, receiver.Hwnd()));
  PumpFor(300);
  ASSERT_EQ(CDownloadThread::RunningWorkers(), 1);
  receiver.Destroy();
  // The worker ends by itself once the stall is over, its downloads done.
  EXPECT_TRUE(WaitForWorkers(30000));
  EXPECT_TRUE(receiver.Accepted().empty());
  EXPECT_EQ(receiver.Rejected(), 0);
  EXPECT_EQ(CacheFiles(), (std::vector<std::u16string>{kProfileFile, kPictureFile}));
}

TEST_F(PictureWorkerTest, OneWorkerPerModelRunsAtATime) {
  service->Misbehave("stall-before", "/intf/", "&stall=1");
  ASSERT_TRUE(Lookup(kModel, receiver.Hwnd()));
  EXPECT_FALSE(Lookup(kModel, receiver.Hwnd()));
  EXPECT_FALSE(Lookup(u"FENNICK f2", receiver.Hwnd()));
  EXPECT_TRUE(Lookup(u"Brisa Mini", receiver.Hwnd()));
  ASSERT_TRUE(WaitForWorkers());
  EXPECT_EQ(receiver.Accepted().size(), 2u);
  EXPECT_EQ(service->ProfileRequests("Fennick F2"), 1);
  LookupAndWait();
  EXPECT_EQ(receiver.Accepted().size(), 3u);
}

TEST_F(PictureWorkerTest, NoMoreThanTheWorkerLimitRunsAtOnce) {
  service->Misbehave("stall-before", "/intf/", "&stall=1");
  for (int i = 0; i < kMaxRunningWorkers; ++i) {
    EXPECT_TRUE(Lookup(u"Model " + std::u16string(1, static_cast<char16_t>(u'A' + i)), receiver.Hwnd()));
  }
  EXPECT_FALSE(Lookup(kModel, receiver.Hwnd()));
  EXPECT_EQ(CDownloadThread::RunningWorkers(), kMaxRunningWorkers);
  ASSERT_TRUE(WaitForWorkers());
  // The stand-in knows none of them: no profile, no message, nothing cached.
  EXPECT_TRUE(receiver.Accepted().empty());
  EXPECT_TRUE(CacheFiles().empty());
}

TEST_F(PictureWorkerTest, LookupsThatHangDoNotStarveAHealthyOne) {
  const ShortFetchLimits limits;
  // Headers a byte at a time, for far longer than any limit.
  service->Misbehave("trickle-head", "Hang", "&interval=0.5");
  const auto hanging = [](int i) { return u"Hang " + std::u16string(1, static_cast<char16_t>(u'A' + i)); };
  // More hanging downloads, one after another, than any number of transfers kept alive.
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < kMaxRunningWorkers - 1; ++i) EXPECT_TRUE(Lookup(hanging(i), receiver.Hwnd()));
    ASSERT_TRUE(WaitForWorkers());
  }
  // And one more round that hangs while the healthy model is looked up beside it.
  for (int i = 0; i < kMaxRunningWorkers - 1; ++i) EXPECT_TRUE(Lookup(hanging(i), receiver.Hwnd()));
  LookupAndWait();
  EXPECT_EQ(receiver.Accepted().size(), 1u);
  EXPECT_EQ(CacheFiles(), (std::vector<std::u16string>{kProfileFile, kPictureFile}));
}

const BadAnswer kHostileAnswers[] = {
    {"gzip", ""},
    {"endless", ""},
    {"trickle", "&interval=0.2"},
    {"trickle-head", "&interval=0.2"},
    {"silent", ""},
    {"truncate", ""},
    {"cut-nolength", ""},
    {"chunked-cut", ""},
    {"redirect-loop", ""},
    {"redirect", "&location=file:///C:/windows/win.ini"},
    {"redirect", "&location=ftp://127.0.0.1/fennick_f2.png"},
};

TEST_F(PictureWorkerTest, AHostileAnswerEndsTheWorkerInTimeAndLeavesTheCacheAsItWas) {
  const ShortFetchLimits limits;
  const std::u16string internetCache = InternetCacheFolder();
  ASSERT_FALSE(internetCache.empty());
  size_t internetCacheFiles = 0;
  uint64_t ignored = 0;
  MeasureFiles(internetCache, internetCacheFiles, ignored);
  LookupAndWait();
  const std::string goodProfile = ReadAll(sandbox.InCache(kProfileFile));
  const std::string goodPicture = ReadAll(sandbox.InCache(kPictureFile));
  ASSERT_FALSE(goodProfile.empty());

  for (const BadAnswer& hostile : kHostileAnswers) {
    for (const bool forPicture : {false, true}) {
      SCOPED_TRACE(std::string(hostile.mode) + hostile.extra + (forPicture ? " for the picture" : " for the profile"));
      if (forPicture) {
        ASSERT_TRUE(DeleteFileW(WidePath(sandbox.InCache(kPictureFile))));
      }
      service->Reset();
      service->Misbehave(hostile.mode, forPicture ? "/pictures/" : "/intf/", hostile.extra);
      const size_t before = receiver.Accepted().size();
      ASSERT_TRUE(Lookup(kModel, receiver.Hwnd()));
      uint64_t largest = 0;
      ASSERT_TRUE(WaitWatchingTheCache(largest)) << "the worker did not end";

      EXPECT_LE(largest, forPicture ? kMaxPictureBytes : kMaxProfileBytes);
      EXPECT_LE(service->ProfileRequests("Fennick F2"), 1 + kMaxRedirects);
      EXPECT_LE(service->PictureRequests("fennick_f2.png"), 1 + kMaxRedirects);
      EXPECT_EQ(ReadAll(sandbox.InCache(kProfileFile)), goodProfile);
      const std::vector<std::u16string> kept = forPicture ? std::vector<std::u16string>{kProfileFile}
                                                          : std::vector<std::u16string>{kProfileFile, kPictureFile};
      EXPECT_EQ(CacheFiles(), kept);
      EXPECT_EQ(Sandbox::List(sandbox.Root()), std::vector<std::u16string>{u"MobileImage"});
      // The cached profile still answers; a picture that never came is not announced.
      EXPECT_EQ(receiver.Accepted().size(), before + (forPicture ? 0 : 1));

      // The model's slot is free again.
      service->Reset();
      LookupAndWait();
      EXPECT_EQ(receiver.Accepted().size(), before + (forPicture ? 1 : 2));
      EXPECT_EQ(ReadAll(sandbox.InCache(kPictureFile)), goodPicture);
    }
  }
  size_t internetCacheFilesAfter = 0;
  MeasureFiles(internetCache, internetCacheFilesAfter, ignored);
  EXPECT_EQ(internetCacheFilesAfter, internetCacheFiles) << "the platform kept copies of the answers";
}

TEST_F(PictureWorkerTest, AnUnusableCachedFileCountsAsMissing) {
  LookupAndWait();
  const std::u16string picture = sandbox.InCache(kPictureFile);
  const std::u16string profile = sandbox.InCache(kProfileFile);
  const std::string good = ReadAll(picture);
  const std::string goodProfile = ReadAll(profile);
  ASSERT_GT(good.size(), 33u);
  std::string huge = good;
  // 9000 x 9000 in a file of a few kilobytes.
  huge.replace(16, 8, std::string("\0\0\x23\x28\0\0\x23\x28", 8));
  const struct {
    const char* name;
    std::string bytes;
  } pictures[] = {
      {"empty", ""},
      {"cut", good.substr(0, good.size() / 2)},
      {"an error page", kErrorPage},
      {"9000 pixels a side", huge},
      {"over 2 MiB", good + std::string(kMaxPictureBytes, '\0')},
  };
  for (const auto& bad : pictures) {
    SCOPED_TRACE(bad.name);
    const size_t before = receiver.Accepted().size();
    ASSERT_TRUE(WriteAll(picture, bad.bytes));
    SetNetwork(false);
    LookupAndWait();
    EXPECT_EQ(receiver.Accepted().size(), before);

    service->Reset();
    SetNetwork(true);
    LookupAndWait();
    EXPECT_EQ(service->PictureRequests("fennick_f2.png"), 1);
    EXPECT_EQ(ReadAll(picture), good);
    EXPECT_EQ(receiver.Accepted().size(), before + 1);
  }

  service->Reset();
  SetNetwork(false);
  for (const std::string& bad : {std::string(), std::string(kErrorPage)}) {
    SCOPED_TRACE("profile: " + bad);
    const size_t before = receiver.Accepted().size();
    ASSERT_TRUE(WriteAll(profile, bad));
    LookupAndWait();
    EXPECT_EQ(receiver.Accepted().size(), before);
  }
  ASSERT_TRUE(WriteAll(profile, goodProfile));
  LookupAndWait();
  EXPECT_EQ(receiver.Accepted().back().fixedModel, u"Fennick F2");
  EXPECT_EQ(service->Total(), 0);
}

enum class Planted { File, Folder, SymbolicLink, HardLink };

// Wine 8's CreateSymbolicLinkW reports success and makes nothing; a Unix program started from
// here makes a real link, which Wine lists and opens as the file it leads to.
bool MakeSymbolicLink(const std::u16string& link, const std::u16string& target) {
  const std::string commandLine = "Z:\\bin\\ln -s \"" + UnixPath(target) + "\" \"" + UnixPath(link) + "\"";
  if (!StartUnixProgram(std::wstring(commandLine.begin(), commandLine.end()))) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (GetFileAttributesW(WidePath(link)) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  return false;
}

TEST_F(PictureWorkerTest, LeftoversOfEndedDownloadsAreSweptAtTheFirstLookup) {
  // A link stands in the cache, or beside it, for a file of the user's outside: neither the
  // sweep nor a lookup that replaces the cached file may delete, move or write that file, and
  // the link itself is left alone.
  const struct {
    const char16_t* name;
    bool inCache;  // else beside it
    bool old;
    Planted planted;
    bool swept;
  } files[] = {
      {u"dl1234.tmp", true, true, Planted::File, true},
      {u"DLa.TMP", true, true, Planted::File, true},
      {u"dl5678.tmp", true, false, Planted::File, false},
      {u"dl12345.tmp", true, true, Planted::File, false},
      {u"dlxyz.tmp", true, true, Planted::File, false},
      {u"xdl1.tmp", true, true, Planted::File, false},
      {u"dl1.tmp.txt", true, true, Planted::File, false},
      {u"dlAB.tmp", true, true, Planted::Folder, false},
      {u"Fennick F2.ini", true, true, Planted::File, false},
      {u"MobileImage~X.ini", false, false, Planted::File, false},
      {u"MobileImage~fennick_f2.png", false, true, Planted::File, true},
      {u"MobileImage~", false, true, Planted::File, false},
      {u"MobileImageX~a.ini", false, true, Planted::File, false},
      {u"MobileImage~sub", false, true, Planted::Folder, false},
      {u"Other~X.ini", false, true, Planted::File, false},
      {u"dl7.tmp", true, true, Planted::SymbolicLink, false},
      {u"dl8.tmp", true, true, Planted::HardLink, false},
      {u"MobileImage~link.ini", false, true, Planted::SymbolicLink, false},
      {u"MobileImage~hard.ini", false, true, Planted::HardLink, false},
      // Looked up below: the profile and the picture are fetched and replace these.
      {u"Ostrel 8X.ini", true, true, Planted::SymbolicLink, false},
      {u"brisa_mini.png", true, true, Planted::SymbolicLink, false},
      {u"Quorle Q5.ini", true, true, Planted::HardLink, false},
  };
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER hourAgo = {{now.dwLowDateTime, now.dwHighDateTime}};
  hourAgo.QuadPart -= 3600ULL * 10000000;
  const FILETIME old = {hourAgo.LowPart, hourAgo.HighPart};
  const auto pathOf = [&](const auto& file) {
    return file.inCache ? sandbox.InCache(file.name) : sandbox.Root() + u"\\" + file.name;
  };
  const std::u16string outside = sandbox.Root() + u"\\outside";
  ASSERT_TRUE(CreateDirectoryW(WidePath(outside), nullptr));
  const auto outsideOf = [&](const auto& file) { return outside + u"\\" + file.name; };
  const auto contentOf = [](const auto& file) { return "the user's " + Utf8(file.name); };
  for (const auto& file : files) {
    SCOPED_TRACE(Utf8(file.name));
    const std::u16string path = pathOf(file);
    if (file.planted == Planted::Folder) {
      ASSERT_TRUE(CreateDirectoryW(WidePath(path), nullptr));
      continue;
    }
    const bool linked = file.planted != Planted::File;
    const std::u16string written = linked ? outsideOf(file) : path;
    ASSERT_TRUE(WriteAll(written, linked ? contentOf(file) : "left"));
    if (file.old) {
      HANDLE handle = CreateFileW(WidePath(written), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(handle, INVALID_HANDLE_VALUE);
      EXPECT_TRUE(SetFileTime(handle, &old, &old, &old));
      CloseHandle(handle);
    }
    if (file.planted == Planted::SymbolicLink) {
      ASSERT_TRUE(MakeSymbolicLink(path, written));
    } else if (file.planted == Planted::HardLink) {
      ASSERT_TRUE(CreateHardLinkW(WidePath(path), WidePath(written), nullptr));
    }
  }
  for (const char16_t* model : {u"Ostrel 8X", u"Brisa Mini", u"Quorle Q5"}) LookupAndWait(model);
  EXPECT_EQ(service->ProfileRequests("Brisa Mini"), 1);
  EXPECT_EQ(service->PictureRequests("brisa_mini.png"), 1);
  for (const auto& file : files) {
    const DWORD attributes = GetFileAttributesW(WidePath(pathOf(file)));
    EXPECT_EQ(attributes == INVALID_FILE_ATTRIBUTES, file.swept) << Utf8(file.name);
    if (file.planted == Planted::SymbolicLink || file.planted == Planted::HardLink) {
      EXPECT_EQ(ReadAll(outsideOf(file)), contentOf(file)) << Utf8(file.name);
      EXPECT_EQ(ReadAll(pathOf(file)), contentOf(file)) << Utf8(file.name) << " was not left alone";
    }
  }
  // A link is no usable cached file: neither model whose cached profile is one is announced,
  // nor the model whose picture is one.
  EXPECT_TRUE(receiver.Accepted().empty());
}

TEST_F(PictureWorkerTest, ACacheFolderThatIsALinkIsNeverWrittenInto) {
  const std::u16string outside = sandbox.Root() + u"\\outside";
  ASSERT_TRUE(CreateDirectoryW(WidePath(outside), nullptr));
  ASSERT_TRUE(RemoveDirectoryW(WidePath(sandbox.Cache())));
  ASSERT_TRUE(MakeSymbolicLink(sandbox.Cache(), outside));
  LookupAndWait();
  EXPECT_TRUE(Sandbox::List(outside).empty());
  EXPECT_TRUE(receiver.Accepted().empty());
}

}  // namespace
