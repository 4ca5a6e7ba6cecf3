// The worker's platform pieces: the connectivity test with scripted adapters, clearing a
// download target, the cache folder, the service address settings, the picture check and
// profile files read from disk.

#include <gtest/gtest.h>

#include <winsock2.h>
#include <iphlpapi.h>
#include <wininet.h>

#include <cstring>
#include <string>
#include <vector>

#include "picture/download_thread.h"
#include "picture/picture_cache.h"
#include "picture/url_fetch.h"
#include "testing/lookup_stand_in.h"

namespace {

// Scripted GetAdaptersInfo: the gateways of the adapters it reports, and the sizes it is asked with.
struct AdapterScript {
  std::vector<const char*> gateways;
  ULONG result = NO_ERROR;  // what a large enough call returns
  ULONG extraAskedFor = 0;  // needs this much more at every call
  std::vector<ULONG> sizesSeen;
};
AdapterScript g_script;

ULONG WINAPI ScriptedAdapters(IP_ADAPTER_INFO* adapters, ULONG* size) {
  g_script.sizesSeen.push_back(*size);
  const ULONG needed = static_cast<ULONG>(g_script.gateways.size() * sizeof(IP_ADAPTER_INFO) +
                                          g_script.extraAskedFor * g_script.sizesSeen.size());
  if (g_script.result != NO_ERROR) return g_script.result;
  if (*size < needed) {
    *size = needed;
    return ERROR_BUFFER_OVERFLOW;
  }
  std::memset(adapters, 0, *size);
  for (size_t i = 0; i < g_script.gateways.size(); ++i) {
    adapters[i].Next = i + 1 < g_script.gateways.size() ? &adapters[i + 1] : nullptr;
    std::strncpy(adapters[i].GatewayList.IpAddress.String, g_script.gateways[i],
                 sizeof adapters[i].GatewayList.IpAddress.String);
  }
  return NO_ERROR;
}

DWORD g_connectedFlags = 0;
BOOL g_connected = TRUE;
BOOL WINAPI ScriptedConnectedState(DWORD* flags, DWORD) {
  *flags = g_connectedFlags;
  return g_connected;
}

TEST(PictureNetworkTest, AGatewayIsTheFirstGatewayTextOfAnyAdapter) {
  const ULONG one = 648;
  const ULONG three = 3 * sizeof(IP_ADAPTER_INFO);
  const struct {
    const char* name;
    std::vector<const char*> gateways;
    ULONG result;
    ULONG extra;
    bool expected;
    std::vector<ULONG> sizes;
  } cases[] = {
      {"one adapter with a gateway", {"192.0.2.1"}, NO_ERROR, 0, true, {one}},
      {"one adapter without", {""}, NO_ERROR, 0, false, {one}},
      {"unspecified address", {"0.0.0.0"}, NO_ERROR, 0, false, {one}},
      {"three adapters, the last with one", {"", "0.0.0.0", "10.0.0.1"}, NO_ERROR, 0, true, {one, three}},
      {"three adapters without", {"0.0.0.0", "", "0.0.0.0"}, NO_ERROR, 0, false, {one, three}},
      {"a full sixteen-character text", {"255.255.255.255"}, NO_ERROR, 0, true, {one}},
      {"no adapters", {}, ERROR_NO_DATA, 0, false, {one}},
      {"still too small the second time",
       {"", "10.0.0.1"},
       NO_ERROR,
       16,
       false,
       {one, static_cast<ULONG>(2 * sizeof(IP_ADAPTER_INFO) + 16)}},
      {"an absurd size", {"10.0.0.1"}, NO_ERROR, 8 * 1024 * 1024, false, {one}},
  };
  for (const auto& c : cases) {
    g_script = AdapterScript{c.gateways, c.result, c.extra, {}};
    EXPECT_EQ(CDownloadThread::HasDefaultGatewayWith(ScriptedAdapters), c.expected) << c.name;
    EXPECT_EQ(g_script.sizesSeen, c.sizes) << c.name;
  }
}

TEST(PictureNetworkTest, ConnectionKindsDecideBeforeTheGateways) {
  const struct {
    BOOL connected;
    DWORD flags;
    const char* gateway;
    bool expected;
    bool adaptersAsked;
  } cases[] = {
      {FALSE, INTERNET_CONNECTION_LAN, "10.0.0.1", false, false},
      {TRUE, INTERNET_CONNECTION_MODEM, "", true, false},
      {TRUE, INTERNET_CONNECTION_LAN, "", true, false},
      {TRUE, INTERNET_CONNECTION_PROXY, "", true, false},
      {TRUE, INTERNET_RAS_INSTALLED, "10.0.0.1", true, true},
      {TRUE, INTERNET_RAS_INSTALLED | INTERNET_CONNECTION_OFFLINE, "0.0.0.0", false, true},
      {TRUE, 0, "", false, true},
  };
  for (const auto& c : cases) {
    g_connected = c.connected;
    g_connectedFlags = c.flags;
    g_script = AdapterScript{{c.gateway}, NO_ERROR, 0, {}};
    EXPECT_EQ(CDownloadThread::IsNetworkUpWith(ScriptedConnectedState, ScriptedAdapters), c.expected) << c.flags;
    EXPECT_EQ(!g_script.sizesSeen.empty(), c.adaptersAsked) << c.flags;
  }
}

TEST(PictureNetworkTest, TheOverrideForcesTheAnswer) {
  CDownloadThread::SetNetworkOverride(CDownloadThread::NetworkOverride::Down);
  EXPECT_FALSE(CDownloadThread::IsNetworkUp());
  CDownloadThread::SetNetworkOverride(CDownloadThread::NetworkOverride::Up);
  EXPECT_TRUE(CDownloadThread::IsNetworkUp());
  CDownloadThread::SetNetworkOverride(CDownloadThread::NetworkOverride::None);
}

class PictureDeleteOrDeferTest : public ::testing::Test {
 protected:
  std::u16string Target() const { return sandbox.InCache(u"M1.ini"); }
  std::u16string Aside() const { return sandbox.Root() + u"\\MobileImage~M1.ini"; }
  Sandbox sandbox;
};

TEST_F(PictureDeleteOrDeferTest, AMissingFileIsAlreadyClear) {
  EXPECT_TRUE(CDownloadThread::DeleteOrDefer(WidePath(Target())));
  EXPECT_EQ(Sandbox::List(sandbox.Root()), std::vector<std::u16string>{u"MobileImage"});
}

TEST_F(PictureDeleteOrDeferTest, AFileThatCanBeDeletedIsDeleted) {
  ASSERT_TRUE(WriteAll(Target(), "old"));
  EXPECT_TRUE(CDownloadThread::DeleteOrDefer(WidePath(Target())));
  EXPECT_FALSE(FileExists(Target()));
  EXPECT_FALSE(FileExists(Aside()));
}

TEST_F(PictureDeleteOrDeferTest, AFileThatCannotBeDeletedMovesBesideTheCacheFolder) {
  ASSERT_TRUE(WriteAll(Aside(), "older"));
  ASSERT_TRUE(WriteAll(Target(), "old"));
  ASSERT_TRUE(SetFileAttributesW(WidePath(Target()), FILE_ATTRIBUTE_READONLY));
  CDownloadThread::DeleteOrDefer(WidePath(Target()));
  EXPECT_FALSE(FileExists(Target()));
  EXPECT_EQ(ReadAll(Aside()), "old");
}

TEST_F(PictureDeleteOrDeferTest, AFolderIsLeftAlone) {
  ASSERT_TRUE(CreateDirectoryW(WidePath(Target()), nullptr));
  EXPECT_FALSE(CDownloadThread::DeleteOrDefer(WidePath(Target())));
  EXPECT_EQ(Sandbox::List(sandbox.Cache()), std::vector<std::u16string>{u"M1.ini"});
  EXPECT_FALSE(FileExists(Aside()));
}

TEST(PictureCacheFolderTest, TheCacheIsBesideTheModulesOwnFile) {
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::u16string folder(reinterpret_cast<const char16_t*>(program));
  folder.resize(folder.rfind(u'\\'));
  EXPECT_EQ(GetModuleFolder(), folder);
  EXPECT_EQ(GetCacheFolder(), folder + u"\\MobileImage");
}

class PictureServiceBaseTest : public ::testing::Test {
 protected:
  void SetUp() override { SetEnvironmentVariableW(kLookupServiceEnvironment, nullptr); }
  void TearDown() override { SetEnvironmentVariableW(kLookupServiceEnvironment, nullptr); }
  void Settings(const std::string& value) {
    ASSERT_TRUE(WriteAll(sandbox.Root() + u"\\MobileInfoPage.ini", "[ModelLookup]\r\nServiceBase=" + value + "\r\n"));
  }
  Sandbox sandbox;
};

TEST_F(PictureServiceBaseTest, WithoutSettingsTheStandInsAddressIsUsed) {
  EXPECT_EQ(LookupServiceBaseIn(sandbox.Root()), u"http://127.0.0.1:8087");
  EXPECT_EQ(LookupServiceBaseIn(u""), u"http://127.0.0.1:8087");
}

TEST_F(PictureServiceBaseTest, TheSettingsFileNextToTheModuleChangesIt) {
  Settings("http://192.0.2.7:9000/");
  EXPECT_EQ(LookupServiceBaseIn(sandbox.Root()), u"http://192.0.2.7:9000");
}

TEST_F(PictureServiceBaseTest, TheEnvironmentWins) {
  Settings("http://192.0.2.7:9000");
  SetEnvironmentVariableW(kLookupServiceEnvironment, L"https://lookup.example:8443/base");
  EXPECT_EQ(LookupServiceBaseIn(sandbox.Root()), u"https://lookup.example:8443/base");
}

TEST_F(PictureServiceBaseTest, UnusableAddressesAreIgnored) {
  for (const wchar_t* bad : {L"ftp://192.0.2.7", L"http://bad host", L"127.0.0.1:8087", L"http://", L"file:///C:/x"}) {
    SetEnvironmentVariableW(kLookupServiceEnvironment, bad);
    Settings("http://192.0.2.7:9000");
    EXPECT_EQ(LookupServiceBaseIn(sandbox.Root()), u"http://192.0.2.7:9000");
    Settings("C:\\windows");
    EXPECT_EQ(LookupServiceBaseIn(sandbox.Root()), u"http://127.0.0.1:8087");
  }
}

std::string PngHeader(uint32_t width, uint32_t height) {
  std::string bytes("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
  for (uint32_t value : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((value >> shift) & 0xFF);
  }
  bytes += std::string("\x08\x06\0\0\0", 5);
  bytes += std::string(4, '\0');  // CRC, never reached
  return bytes;
}

TEST(PicturePlausibleTest, OnlyAWholePngWithinTheSizeLimitIsKept) {
  const std::string good = ReadSource("tools/lookup_service/data/pictures/ostrel_8x.png");
  ASSERT_GT(good.size(), 100u);
  const struct {
    const char* name;
    std::string bytes;
    bool plausible;
  } cases[] = {
      {"the stand-in's picture", good, true},
      {"cut in half", good.substr(0, good.size() / 2), false},
      {"one byte", good.substr(0, 1), false},
      {"empty", "", false},
      {"an error page", "<html><body>Not found</body></html>", false},
      {"a profile", "[M1]\r\nImageUrl=http://h/p.png\r\n", false},
      {"huge dimensions, tiny file", PngHeader(30000, 30000) + good.substr(33), false},
      {"too wide", PngHeader(kMaxPictureSide + 1, 10) + good.substr(33), false},
      {"no pixels", PngHeader(0, 10) + good.substr(33), false},
      {"over the byte cap", good + std::string(kMaxPictureBytes, '\0'), false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsPlausiblePicture(c.bytes), c.plausible) << c.name;
  for (const char* file : {"fennick_f2.png", "tallow_t9_pro.png", "brisa_mini.png", "quorle_q5.png"}) {
    EXPECT_TRUE(IsPlausiblePicture(ReadSource((std::string("tools/lookup_service/data/pictures/") + file).c_str())))
        << file;
  }
}

class PictureProfileFileTest : public ::testing::Test {
 protected:
  Sandbox sandbox;
};

TEST_F(PictureProfileFileTest, ProfilesInEveryAcceptedEncodingReadTheSame) {
  const std::string utf8 =
      "[Ostrel 8X]\r\nFixedPhoneModel=Ostrel 8X \xE9\x9D\x92\xE6\x98\xA5\r\nImageUrl=http://h/p/o.png\r\n";
  std::string utf16("\xFF\xFE", 2);
  const std::u16string text = u"[Ostrel 8X]\r\nFixedPhoneModel=Ostrel 8X \u9752\u6625\r\nImageUrl=http://h/p/o.png\r\n";
  for (char16_t c : text) {
    utf16 += static_cast<char>(c & 0xFF);
    utf16 += static_cast<char>(c >> 8);
  }
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {{"UTF-8", utf8}, {"UTF-8 with mark", "\xEF\xBB\xBF" + utf8}, {"UTF-16LE with mark", utf16}};
  const std::u16string path = sandbox.InCache(u"Ostrel 8X.ini");
  for (const auto& c : cases) {
    ASSERT_TRUE(WriteAll(path, c.bytes));
    ModelProfile record;
    ASSERT_TRUE(LoadProfile(record, path, u"http://d/default.png")) << c.name;
    EXPECT_EQ(record.rawModel, u"Ostrel 8X") << c.name;
    EXPECT_EQ(record.fixedModel, u"Ostrel 8X \u9752\u6625") << c.name;
    EXPECT_EQ(record.localImagePath, sandbox.InCache(u"o.png")) << c.name;
  }
}

TEST_F(PictureProfileFileTest, BytesThatAreNotUtf8AreReadInTheAnsiCodePage) {
  const std::u16string path = sandbox.InCache(u"M.ini");
  ASSERT_TRUE(WriteAll(path, "[M]\r\nFixedPhoneModel=A\xC0Z\r\n"));
  ModelProfile record;
  ASSERT_TRUE(LoadProfile(record, path, u""));
  EXPECT_EQ(record.fixedModel, u"A" + DecodeAnsi("\xC0") + u"Z");
  EXPECT_EQ(record.fixedModel.size(), 3u);
}

TEST_F(PictureProfileFileTest, NoFileOrAFolderIsNoProfile) {
  ModelProfile record;
  EXPECT_FALSE(LoadProfile(record, sandbox.InCache(u"M.ini"), u""));
  ASSERT_TRUE(CreateDirectoryW(WidePath(sandbox.InCache(u"M.ini")), nullptr));
  EXPECT_FALSE(LoadProfile(record, sandbox.InCache(u"M.ini"), u""));
  EXPECT_TRUE(record.rawModel.empty());
}

}  // namespace
