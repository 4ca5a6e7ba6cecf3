#include <algorithm>
#include <string>
#include <string_view>

#include "fuzz/harness.h"
#include "picture/http_response.h"

namespace {

using State = CHttpResponseReader::State;

struct Verdict {
  State state;
  int status;
  std::string body;
  bool lengthKnown;
  bool identity;
  std::string location;
};

Verdict VerdictOf(CHttpResponseReader& reader) {
  return {reader.GetState(),    reader.Status(),         reader.Body(),
          reader.LengthKnown(), reader.IdentityCoding(), reader.Location()};
}

bool operator==(const Verdict& a, const Verdict& b) {
  return a.state == b.state && a.status == b.status && a.body == b.body && a.lengthKnown == b.lengthKnown &&
         a.identity == b.identity && a.location == b.location;
}

}  // namespace

// A server's bytes: the first byte picks the body cap, the second how the rest is cut into the
// pieces a connection delivers. The verdict may not depend on the pieces, the body never
// passes the cap, and bytes after a verdict change nothing.
int FuzzHttpAnswer(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t cap = static_cast<size_t>(data[0]) * 16;
  size_t piece = static_cast<size_t>(data[1] % 17) + 1;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);

  CHttpResponseReader whole(cap);
  whole.Feed(bytes);
  const State settled = whole.GetState();
  const Verdict early = VerdictOf(whole);
  whole.Finish();

  CHttpResponseReader pieces(cap);
  for (size_t at = 0; at < bytes.size(); at += piece, piece = piece * 7 % 13 + 1) {
    pieces.Feed(bytes.substr(at, std::min(piece, bytes.size() - at)));
  }
  pieces.Finish();

  const Verdict verdict = VerdictOf(whole);
  FUZZ_CHECK(verdict == VerdictOf(pieces));
  FUZZ_CHECK(verdict.state == State::Done || verdict.state == State::Failed);
  FUZZ_CHECK(verdict.body.size() <= cap);
  FUZZ_CHECK(verdict.state == State::Done || verdict.body.empty());
  FUZZ_CHECK(verdict.status == 0 || (verdict.status >= 100 && verdict.status <= 999));
  if (settled == State::Done || settled == State::Failed) {
    // Finish after a verdict keeps it, and so do more bytes.
    FUZZ_CHECK(early == verdict);
    whole.Feed("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx");
    FUZZ_CHECK(VerdictOf(whole) == verdict);
  }
  return 0;
}
