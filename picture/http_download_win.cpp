#include "picture/http_download.h"

#include <windows.h>
#include <shlwapi.h>
#include <winhttp.h>

#include <algorithm>
#include <new>

#include "picture/cache_names.h"
#include "picture/http_response.h"
#include "picture/socket_get.h"
#include "util/module_thread.h"
#include "util/wide_path.h"

// Older mingw headers lack it; Windows before 8.1 refuses it, and the user's own settings serve.
#ifndef WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY
#define WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY 4
#endif

namespace {

constexpr wchar_t kUserAgent[] = L"MobileInfoPage";
constexpr DWORD kHttpOk = 200;
constexpr DWORD kReadChunk = 64 * 1024;
// The platform's longest URL, its terminator included.
constexpr DWORD kMaxUrlChars = 2084;

class CHttpHandle {
 public:
  explicit CHttpHandle(HINTERNET handle = nullptr) : handle_(handle) {}
  ~CHttpHandle() {
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
  }
  CHttpHandle(const CHttpHandle&) = delete;
  CHttpHandle& operator=(const CHttpHandle&) = delete;
  HINTERNET Get() const { return handle_; }

 private:
  HINTERNET handle_;
};

// Shared by the worker and the thread that talks to the server, and freed by whichever lets go
// last. A plain-HTTP request without a proxy goes over the module's own socket and ends at the
// whole limit. Under Wine neither WinHTTP's timeouts nor closing its handles end a call whose
// server sends its headers a byte at a time (closing only drops a reference that the blocked
// call holds too), so for WinHTTP's requests the worker waits only until the whole limit and
// then leaves this thread to end by itself.
struct Transfer {
  volatile LONG references = 2;
  volatile LONG abandoned = 0;
  HANDLE done = nullptr;
  HMODULE module = nullptr;
  std::u16string url;
  size_t cap = 0;
  DownloadLimits limits = {};
  ULONGLONG deadline = 0;
  bool direct = false;  // plain HTTP may go over the module's own socket
  bool ok = false;
  DownloadedBody body;
};

volatile LONG g_downloadsAlive = 0;

void Release(Transfer* transfer) {
  if (InterlockedDecrement(&transfer->references) != 0) return;
  if (transfer->done != nullptr) CloseHandle(transfer->done);
  delete transfer;
}

// The time a call may wait: its own limit, cut to what is left of the whole; 0 once nothing is.
DWORD Within(Transfer& transfer, uint32_t limitMs) {
  if (InterlockedCompareExchange(&transfer.abandoned, 0, 0) != 0) return 0;
  const ULONGLONG now = GetTickCount64();
  if (now >= transfer.deadline) return 0;
  return static_cast<DWORD>(std::min<ULONGLONG>(limitMs, transfer.deadline - now));
}

class CTransferBudget : public IWaitBudget {
 public:
  explicit CTransferBudget(Transfer& transfer) : transfer_(transfer) {}
  uint32_t Within(uint32_t limitMs) override { return ::Within(transfer_, limitMs); }

 private:
  Transfer& transfer_;
};

bool SetTimeouts(HINTERNET request, Transfer& transfer) {
  const DWORD connect = Within(transfer, transfer.limits.connectMs);
  const DWORD silence = Within(transfer, transfer.limits.silenceMs);
  // 0 would mean no limit at all.
  if (connect == 0 || silence == 0) return false;
  DWORD response = silence;
  return WinHttpSetTimeouts(request, static_cast<int>(connect), static_cast<int>(connect), static_cast<int>(silence),
                            static_cast<int>(silence)) &&
         WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response, sizeof response);
}

HINTERNET OpenSession() {
  if (HINTERNET session = WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                      WINHTTP_NO_PROXY_BYPASS, 0)) {
    return session;
  }
  HINTERNET session = nullptr;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
  if (WinHttpGetIEProxyConfigForCurrentUser(&config)) {
    if (config.lpszProxy != nullptr && config.lpszProxy[0] != L'\0') {
      session = WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, config.lpszProxy,
                            config.lpszProxyBypass != nullptr ? config.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS, 0);
    }
    for (LPWSTR text : {config.lpszAutoConfigUrl, config.lpszProxy, config.lpszProxyBypass}) {
      if (text != nullptr) GlobalFree(text);
    }
  }
  if (session == nullptr) {
    session = WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  }
  return session;
}

bool IsSet(const wchar_t* text) { return text != nullptr && text[0] != L'\0'; }

// A proxy or a configuration script in the user's settings, which only WinHTTP knows how to
// use. Automatic detection alone does not count: it is on by default, and where it finds
// nothing the connection is direct.
bool UserSettingsNameAProxy() {
  bool named = false;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
  if (WinHttpGetIEProxyConfigForCurrentUser(&config)) {
    named = IsSet(config.lpszProxy) || IsSet(config.lpszAutoConfigUrl);
    for (LPWSTR text : {config.lpszAutoConfigUrl, config.lpszProxy, config.lpszProxyBypass}) {
      if (text != nullptr) GlobalFree(text);
    }
  }
  WINHTTP_PROXY_INFO machine = {};
  if (WinHttpGetDefaultProxyConfiguration(&machine)) {
    named = named || (machine.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && IsSet(machine.lpszProxy));
    for (LPWSTR text : {machine.lpszProxy, machine.lpszProxyBypass}) {
      if (text != nullptr) GlobalFree(text);
    }
  }
  return named;
}

bool QueryNumber(HINTERNET request, DWORD query, DWORD& value) {
  DWORD size = sizeof value;
  return WinHttpQueryHeaders(request, query | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, &value, &size,
                             WINHTTP_NO_HEADER_INDEX) != FALSE;
}

// The `index`th header of that kind; false when there is none.
bool QueryText(HINTERNET request, DWORD query, DWORD index, std::u16string& value) {
  DWORD size = 0;
  DWORD at = index;
  WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size, &at);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return false;
  value.assign(size / sizeof(char16_t) + 1, u'\0');
  at = index;
  if (!WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, &value[0], &size, &at)) return false;
  value.resize(size / sizeof(char16_t));
  return true;
}

std::u16string Trimmed(std::u16string text) {
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.pop_back();
  const size_t first = text.find_first_not_of(u" \t");
  return first == std::u16string::npos ? std::u16string() : text.substr(first);
}

// Any coding but identity would make the bytes on disk something else than what was counted.
bool HasOnlyIdentityCoding(HINTERNET request) {
  std::u16string coding;
  for (DWORD index = 0; QueryText(request, WINHTTP_QUERY_CONTENT_ENCODING, index, coding); ++index) {
    if (CompareStringOrdinal(WidePath(Trimmed(coding)), -1, L"identity", -1, TRUE) != CSTR_EQUAL) return false;
  }
  return true;
}

// Digits only; anything else is no usable length.
bool ParseLength(const std::u16string& text, size_t& length) {
  const std::u16string digits = Trimmed(text);
  if (digits.empty() || digits.size() > 18) return false;
  length = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return false;
    length = length * 10 + static_cast<size_t>(c - u'0');
  }
  return true;
}

bool ReadBody(HINTERNET request, Transfer& transfer) {
  std::u16string text;
  size_t announced = 0;
  // A chunked body has no length of its own, whatever else the answer says.
  const bool chunked = QueryText(request, WINHTTP_QUERY_TRANSFER_ENCODING, 0, text);
  const bool hasLength = !chunked && QueryText(request, WINHTTP_QUERY_CONTENT_LENGTH, 0, text);
  if (hasLength && (!ParseLength(text, announced) || announced > transfer.cap)) return false;

  std::string& bytes = transfer.body.bytes;
  for (;;) {
    DWORD wait = Within(transfer, transfer.limits.silenceMs);
    if (wait == 0 || !WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &wait, sizeof wait)) return false;
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) return false;
    if (available == 0) break;
    // One byte past the cap is enough to know the answer is too big.
    const size_t room = transfer.cap + 1 - bytes.size();
    const DWORD want = static_cast<DWORD>(std::min<size_t>({available, room, kReadChunk}));
    const size_t had = bytes.size();
    bytes.resize(had + want);
    DWORD got = 0;
    if (!WinHttpReadData(request, &bytes[had], want, &got)) return false;
    bytes.resize(had + got);
    if (bytes.size() > transfer.cap) return false;
    if (got == 0) break;
  }
  // WinHTTP reports a body that ends early as complete.
  if (hasLength && bytes.size() != announced) return false;
  transfer.body.lengthKnown = hasLength;
  return true;
}

bool IsRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Where a redirect from `url` to `location` leads; false when nowhere usable.
bool RedirectTarget(const std::u16string& url, const std::u16string& location, std::u16string& next) {
  if (location.empty()) return false;
  wchar_t combined[kMaxUrlChars] = {};
  DWORD length = ARRAYSIZE(combined);
  if (FAILED(UrlCombineW(WidePath(url), WidePath(location), combined, &length, 0))) return false;
  next.assign(reinterpret_cast<const char16_t*>(combined));
  return true;
}

bool RequestThroughSocket(const std::u16string& host, INTERNET_PORT port, const std::u16string& object,
                          const std::u16string& url, Transfer& transfer, std::u16string& next) {
  CHttpResponseReader reader(transfer.cap);
  CTransferBudget budget(transfer);
  if (!SocketGet(host, port, object, {transfer.limits.connectMs, transfer.limits.silenceMs}, budget, reader)) {
    return false;
  }
  const DWORD status = static_cast<DWORD>(reader.Status());
  if (IsRedirect(status)) {
    std::u16string location(reader.Location().begin(), reader.Location().end());
    return RedirectTarget(url, location, next);
  }
  if (status != kHttpOk || !reader.IdentityCoding()) return false;
  transfer.body.bytes = std::move(reader.Body());
  transfer.body.lengthKnown = reader.LengthKnown();
  return true;
}

bool RequestThroughWinHttp(HINTERNET session, const URL_COMPONENTS& parts, const std::wstring& host,
                           const std::wstring& object, const std::u16string& url, Transfer& transfer,
                           std::u16string& next) {
  DWORD flags = WINHTTP_FLAG_ESCAPE_DISABLE | WINHTTP_FLAG_ESCAPE_DISABLE_QUERY;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= WINHTTP_FLAG_SECURE;
  CHttpHandle connection(WinHttpConnect(session, host.c_str(), parts.nPort, 0));
  if (connection.Get() == nullptr) return false;
  CHttpHandle request(WinHttpOpenRequest(connection.Get(), L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                         WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
  if (request.Get() == nullptr) return false;
  // Redirects are followed here, so that each one is checked and counted.
  DWORD features = WINHTTP_DISABLE_REDIRECTS;
  if (!WinHttpSetOption(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features)) return false;
  if (!SetTimeouts(request.Get(), transfer)) return false;
  if (!WinHttpSendRequest(request.Get(), L"Accept-Encoding: identity", static_cast<DWORD>(-1), WINHTTP_NO_REQUEST_DATA,
                          0, 0, 0)) {
    return false;
  }
  if (!SetTimeouts(request.Get(), transfer) || !WinHttpReceiveResponse(request.Get(), nullptr)) return false;

  DWORD status = 0;
  if (!QueryNumber(request.Get(), WINHTTP_QUERY_STATUS_CODE, status)) return false;
  if (IsRedirect(status)) {
    std::u16string location;
    return QueryText(request.Get(), WINHTTP_QUERY_LOCATION, 0, location) && RedirectTarget(url, location, next);
  }
  if (status != kHttpOk || !HasOnlyIdentityCoding(request.Get())) return false;
  return ReadBody(request.Get(), transfer);
}

// One request. On a redirect, `next` is where it points and the result is true.
bool RequestOnce(HINTERNET session, const std::u16string& url, Transfer& transfer, std::u16string& next) {
  next.clear();
  if (!IsFetchableUrl(url)) return false;
  // Escaped here and nowhere else, so that a request reaches the server as the URL says.
  const std::u16string wire = EscapeUnsafeUrlCharacters(url);
  if (wire.empty()) return false;
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(WidePath(wire), 0, 0, &parts) || parts.dwHostNameLength == 0) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength + parts.dwExtraInfoLength);
  // A fragment is the client's own.
  object.resize(std::min(object.size(), object.find(L'#')));
  if (object.empty()) object = L"/";

  if (parts.nScheme == INTERNET_SCHEME_HTTP && transfer.direct) {
    return RequestThroughSocket(std::u16string(host.begin(), host.end()), parts.nPort,
                                std::u16string(object.begin(), object.end()), url, transfer, next);
  }
  return session != nullptr && RequestThroughWinHttp(session, parts, host, object, url, transfer, next);
}

bool Fetch(Transfer& transfer) {
  transfer.direct = !UserSettingsNameAProxy();
  // Without a session only what goes over the module's own socket can succeed.
  CHttpHandle session(OpenSession());
  std::u16string url = transfer.url;
  for (int redirects = 0; redirects <= kMaxRedirects; ++redirects) {
    std::u16string next;
    if (!RequestOnce(session.Get(), url, transfer, next)) return false;
    if (next.empty()) return true;
    url = std::move(next);
  }
  return false;
}

DWORD WINAPI TransferMain(void* parameter) {
  Transfer* transfer = static_cast<Transfer*>(parameter);
  const HMODULE module = transfer->module;
  try {
    transfer->ok = Fetch(*transfer);
  } catch (...) {
    // This thread's entry: whatever failed on the way is a failed download.
    transfer->ok = false;
  }
  SetEvent(transfer->done);
  Release(transfer);
  InterlockedDecrement(&g_downloadsAlive);
  FreeLibraryAndExitThread(module, 0);
}

}  // namespace

bool DownloadBody(const std::u16string& url, size_t cap, const DownloadLimits& limits, DownloadedBody& body) {
  // Copied before anything is counted or made, so that without memory for it nothing is left.
  std::u16string target(url);
  if (InterlockedIncrement(&g_downloadsAlive) > kMaxDownloadsAlive) {
    InterlockedDecrement(&g_downloadsAlive);
    return false;
  }
  Transfer* transfer = new (std::nothrow) Transfer();
  if (transfer == nullptr) {
    InterlockedDecrement(&g_downloadsAlive);
    return false;
  }
  transfer->url = std::move(target);
  transfer->cap = cap;
  transfer->limits = limits;
  transfer->deadline = GetTickCount64() + limits.wholeMs;
  transfer->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const bool started = transfer->done != nullptr && StartModuleThread(TransferMain, transfer, transfer->module);
  if (!started) {
    InterlockedDecrement(&g_downloadsAlive);
    if (transfer->done != nullptr) CloseHandle(transfer->done);
    delete transfer;
    return false;
  }
  bool ok = false;
  if (WaitForSingleObject(transfer->done, limits.wholeMs) == WAIT_OBJECT_0) {
    ok = transfer->ok;
    if (ok) body = std::move(transfer->body);
  } else {
    InterlockedExchange(&transfer->abandoned, 1);
  }
  Release(transfer);
  return ok;
}
