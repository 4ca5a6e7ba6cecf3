// The answer reader of the module's own HTTP connections: where a body ends, what is refused,
// and that the bytes may arrive in any pieces.

#include <gtest/gtest.h>

#include <string>

#include "picture/http_response.h"

namespace {

using State = CHttpResponseReader::State;

struct Answer {
  const char* what;
  std::string bytes;
  size_t cap;
  State state;  // after the connection's end
  int status;
  const char* body;
  bool lengthKnown;
  bool identity;
  const char* location;
};

const std::string kOk = "HTTP/1.1 200 OK\r\n";
const std::string kChunked = kOk + "Transfer-Encoding: chunked\r\n\r\n";

const Answer kAnswers[] = {
    {"a length, met", kOk + "Content-Length: 5\r\n\r\nhello", 64, State::Done, 200, "hello", true, true, ""},
    {"bytes past the length are dropped", kOk + "Content-Length: 2\r\n\r\nhello", 64, State::Done, 200, "he", true,
     true, ""},
    {"a length, cut", kOk + "Content-Length: 10\r\n\r\nhello", 64, State::Failed, 200, "", false, true, ""},
    {"no length: the body ends with the connection", "HTTP/1.0 200 OK\r\n\r\nhello", 64, State::Done, 200, "hello",
     false, true, ""},
    {"line feeds alone", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", 64, State::Done, 200, "ok", true, true, ""},
    {"chunks with an extension and a trailer", kChunked + "3\r\nhel\r\n2;x=y\r\nlo\r\n0\r\nA: b\r\n\r\n", 64,
     State::Done, 200, "hello", true, true, ""},
    {"chunks cut between two of them", kChunked + "3\r\nhel\r\n", 64, State::Failed, 200, "", false, true, ""},
    {"chunks cut before the trailer's end", kChunked + "3\r\nhel\r\n0\r\n", 64, State::Failed, 200, "", false, true,
     ""},
    {"a chunk size that is no number", kChunked + "zz\r\nhel\r\n0\r\n\r\n", 64, State::Failed, 200, "", false, true,
     ""},
    {"a chunk without its line break", kChunked + "3\r\nhelXX0\r\n\r\n", 64, State::Failed, 200, "", false, true, ""},
    {"a chunk size with too many digits", kChunked + "100000000\r\n", 64, State::Failed, 200, "", false, true, ""},
    {"chunks over the cap", kChunked + "3\r\nhel\r\n3\r\nlo!\r\n0\r\n\r\n", 5, State::Failed, 200, "", false, true, ""},
    {"a length over the cap", kOk + "Content-Length: 6\r\n\r\nhello!", 5, State::Failed, 200, "", false, true, ""},
    {"no length, over the cap", "HTTP/1.0 200 OK\r\n\r\nhello!", 5, State::Failed, 200, "", false, true, ""},
    {"exactly the cap", "HTTP/1.0 200 OK\r\n\r\nhello", 5, State::Done, 200, "hello", false, true, ""},
    {"two lengths that differ", kOk + "Content-Length: 5\r\nContent-Length: 6\r\n\r\nhello", 64, State::Failed, 200, "",
     false, true, ""},
    {"a length that is no number", kOk + "Content-Length: 5x\r\n\r\nhello", 64, State::Failed, 200, "", false, true,
     ""},
    {"chunks win over a length", kOk + "Content-Length: 99\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n",
     64, State::Done, 200, "ok", true, true, ""},
    {"a transfer coding that cannot be undone", kOk + "Transfer-Encoding: gzip, chunked\r\n\r\n", 64, State::Failed,
     200, "", false, true, ""},
    {"a content coding", kOk + "Content-Encoding: gzip\r\nContent-Length: 2\r\n\r\nok", 64, State::Done, 200, "ok",
     true, false, ""},
    {"identity is no coding", kOk + "Content-Encoding: Identity\r\nContent-Length: 2\r\n\r\nok", 64, State::Done, 200,
     "ok", true, true, ""},
    {"a redirect", "HTTP/1.1 302 Found\r\nLocation:  /next \r\nLocation: /other\r\nContent-Length: 0\r\n\r\n", 64,
     State::Done, 302, "", true, true, "/next"},
    {"an interim answer first", "HTTP/1.1 100 Continue\r\nLocation: /no\r\n\r\n" + kOk + "Content-Length: 2\r\n\r\nok",
     64, State::Done, 200, "ok", true, true, ""},
    {"switching protocols", "HTTP/1.1 101 Switching\r\n\r\n", 64, State::Failed, 101, "", false, true, ""},
    {"a folded header", kOk + "Content-Length: 2\r\n x\r\n\r\nok", 64, State::Failed, 200, "", false, true, ""},
    {"a blank in a header's name", kOk + "Content-Length : 2\r\n\r\nok", 64, State::Failed, 200, "", false, true, ""},
    {"no HTTP status line", "ICY 200 OK\r\n\r\nok", 64, State::Failed, 0, "", false, true, ""},
    {"a status of two digits", "HTTP/1.1 20 OK\r\n\r\nok", 64, State::Failed, 0, "", false, true, ""},
    {"a head that never ends", kOk + "X: " + std::string(CHttpResponseReader::kMaxHeadBytes, 'a'), 64, State::Failed,
     200, "", false, true, ""},
    {"a trailer that never ends", kChunked + "0\r\nX: " + std::string(CHttpResponseReader::kMaxHeadBytes, 'a'), 64,
     State::Failed, 200, "", false, true, ""},
    {"nothing at all", "", 64, State::Failed, 0, "", false, true, ""},
};

TEST(HttpResponseReaderTest, AnAnswerIsWholeOnlyWhereItsFramingSaysItEnds) {
  for (const Answer& answer : kAnswers) {
    // All at once, and a byte at a time as a trickling server sends it.
    for (const bool byByte : {false, true}) {
      SCOPED_TRACE(std::string(answer.what) + (byByte ? ", a byte at a time" : ", at once"));
      CHttpResponseReader reader(answer.cap);
      if (byByte) {
        for (char c : answer.bytes) reader.Feed(std::string_view(&c, 1));
      } else {
        reader.Feed(answer.bytes);
      }
      EXPECT_EQ(reader.Finish(), answer.state);
      EXPECT_EQ(reader.Status(), answer.status);
      EXPECT_EQ(reader.Body(), answer.body);
      if (answer.state == State::Done) {
        EXPECT_EQ(reader.LengthKnown(), answer.lengthKnown);
        EXPECT_EQ(reader.IdentityCoding(), answer.identity);
        EXPECT_EQ(reader.Location(), answer.location);
      }
    }
  }
}

TEST(HttpResponseReaderTest, ANonEndingAnswerIsSettledBeforeTheConnectionEnds) {
  // The transfer stops reading as soon as the reader has decided, which a hostile server
  // that never closes relies on it to do.
  CHttpResponseReader whole(64);
  EXPECT_EQ(whole.Feed(kOk + "Content-Length: 2\r\n\r\nok"), State::Done);
  CHttpResponseReader chunks(64);
  EXPECT_EQ(chunks.Feed(kChunked + "2\r\nok\r\n0\r\n\r\n"), State::Done);
  CHttpResponseReader tooBig(4);
  EXPECT_EQ(tooBig.Feed("HTTP/1.0 200 OK\r\n\r\nhello"), State::Failed);
  CHttpResponseReader endless(64);
  EXPECT_EQ(endless.Feed("HTTP/1.0 200 OK\r\n\r\nhello"), State::Body);
}

}  // namespace
