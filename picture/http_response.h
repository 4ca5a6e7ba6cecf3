// An HTTP/1.x answer read from the bytes of a connection as they arrive: the status line and
// headers, then the body by its length, in chunks, or up to the connection's end. Every part
// is bounded, so a hostile server costs at most the head limit and the caller's body cap.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class CHttpResponseReader {
 public:
  enum class State { Head, Body, Done, Failed };

  // The longest status line and headers taken, interim answers included.
  static constexpr size_t kMaxHeadBytes = 32 * 1024;

  explicit CHttpResponseReader(size_t bodyCap) : bodyCap_(bodyCap) {}

  // Takes the next bytes of the connection; returns the state after them.
  State Feed(std::string_view bytes);
  // The connection ended: the answer is whole only if its body needed no more.
  State Finish();

  State GetState() const { return state_; }
  // Known once the head is in (state Body or Done).
  int Status() const { return status_; }
  const std::string& Location() const { return location_; }
  // No content coding other than identity was announced.
  bool IdentityCoding() const { return identityCoding_; }
  // The body's end was announced, by a length or a last chunk, and reached.
  bool LengthKnown() const { return lengthKnown_; }
  std::string& Body() { return body_; }

 private:
  enum class Framing { Length, Chunked, UntilClose };
  enum class ChunkStep { Size, Data, DataEnd, Trailer };
  enum class Line { Partial, Whole, TooLong };

  void Fail();
  // False for a malformed status line.
  bool ParseStatusLine();
  bool ParseHeader(std::string_view line);
  void StartBody();
  void FeedBody(std::string_view bytes);
  void FeedChunked(std::string_view bytes);
  // Takes bytes into line_ up to and with a line break, which it then drops.
  Line TakeLine(std::string_view& bytes, size_t limit);

  size_t bodyCap_;
  State state_ = State::Head;
  std::string statusLine_;
  // Head, interim heads and trailers together.
  size_t headBytes_ = 0;
  int status_ = 0;
  std::string location_;
  bool identityCoding_ = true;
  bool lengthKnown_ = false;
  bool hasLength_ = false;
  bool chunked_ = false;
  size_t announced_ = 0;
  Framing framing_ = Framing::UntilClose;
  ChunkStep chunkStep_ = ChunkStep::Size;
  size_t chunkLeft_ = 0;
  std::string line_;
  std::string body_;
};
