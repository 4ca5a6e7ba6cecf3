// One HTTP GET of a small answer into memory, bounded in time and in bytes: plain HTTP over
// the module's own socket unless the user's settings name a proxy, otherwise through WinHTTP;
// no platform cache, no decompression, redirects followed by hand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct DownloadLimits {
  uint32_t connectMs;  // name lookup and connection, per request
  uint32_t silenceMs;  // the longest wait for the next byte, the answer's first included
  uint32_t wholeMs;    // everything, redirects included
};

// A redirect loop costs at most this many requests more than the first.
constexpr int kMaxRedirects = 5;
// Downloads whose worker gave up on them but whose connection has not ended yet count too;
// beyond this many at once a download fails at once and the worker goes on from the cache.
constexpr long kMaxDownloadsAlive = 16;

struct DownloadedBody {
  std::string bytes;
  bool lengthKnown = false;  // the server gave a length, and exactly that arrived
};

// GETs `url`, following redirects to http and https only. True for a status of 200 whose body,
// without any content coding, is at most `cap` bytes, is as long as announced, and arrived
// within `limits`. The worker returns at the whole limit even when the platform call it waits
// for would not.
bool DownloadBody(const std::u16string& url, size_t cap, const DownloadLimits& limits, DownloadedBody& body);
