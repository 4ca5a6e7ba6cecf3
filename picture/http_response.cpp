#include "picture/http_response.h"

#include <algorithm>
#include <cstdint>

namespace {

// A chunk's size line with its extensions; real servers send a few characters.
constexpr size_t kMaxChunkLine = 1024;
// More hex digits than this cannot be a size under any cap.
constexpr size_t kMaxChunkDigits = 8;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameAsciiIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  const char lower = LowerAscii(c);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Digits only, and few enough that the sum cannot overflow.
bool ParseLength(std::string_view text, uint64_t& length) {
  if (text.empty() || text.size() > 18) return false;
  length = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    length = length * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

// Calls `each` with every trimmed element of a comma-separated header value.
template <typename Each>
bool ForEachListElement(std::string_view value, Each each) {
  for (;;) {
    const size_t comma = value.find(',');
    const std::string_view element = Trimmed(value.substr(0, comma));
    if (!element.empty() && !each(element)) return false;
    if (comma == std::string_view::npos) return true;
    value.remove_prefix(comma + 1);
  }
}

}  // namespace

void CHttpResponseReader::Fail() {
  state_ = State::Failed;
  body_.clear();
}

CHttpResponseReader::Line CHttpResponseReader::TakeLine(std::string_view& bytes, size_t limit) {
  const size_t feed = bytes.find('\n');
  const size_t take = feed == std::string_view::npos ? bytes.size() : feed + 1;
  // The line break itself may add two more.
  if (line_.size() + take > limit + 2) return Line::TooLong;
  line_.append(bytes.data(), take);
  bytes.remove_prefix(take);
  if (feed == std::string_view::npos) return Line::Partial;
  line_.pop_back();
  if (!line_.empty() && line_.back() == '\r') line_.pop_back();
  return line_.size() > limit ? Line::TooLong : Line::Whole;
}

bool CHttpResponseReader::ParseHeader(std::string_view line) {
  const size_t colon = line.find(':');
  // A folded line or a name with blanks is malformed, and dangerous to guess at.
  if (colon == 0 || colon == std::string_view::npos) return false;
  const std::string_view name = line.substr(0, colon);
  if (name.find_first_of(" \t") != std::string_view::npos) return false;
  const std::string_view value = Trimmed(line.substr(colon + 1));

  if (SameAsciiIgnoringCase(name, "Content-Length")) {
    uint64_t length = 0;
    if (!ParseLength(value, length)) return false;
    // Two different lengths leave the body's end unknown.
    if (hasLength_ && length != announced_) return false;
    if (length > SIZE_MAX) return false;
    announced_ = static_cast<size_t>(length);
    hasLength_ = true;
  } else if (SameAsciiIgnoringCase(name, "Transfer-Encoding")) {
    // Only chunks can be undone here; any other coding would leave foreign bytes.
    return ForEachListElement(value, [&](std::string_view coding) {
      if (SameAsciiIgnoringCase(coding, "chunked")) {
        chunked_ = true;
        return true;
      }
      return SameAsciiIgnoringCase(coding, "identity");
    });
  } else if (SameAsciiIgnoringCase(name, "Content-Encoding")) {
    ForEachListElement(value, [&](std::string_view coding) {
      identityCoding_ = identityCoding_ && SameAsciiIgnoringCase(coding, "identity");
      return true;
    });
  } else if (SameAsciiIgnoringCase(name, "Location") && location_.empty()) {
    location_.assign(value);
  }
  return true;
}

bool CHttpResponseReader::ParseStatusLine() {
  // "HTTP/1.x NNN reason"; the reason is the server's and says nothing.
  const std::string_view status(statusLine_);
  if (status.size() < 12 || status.substr(0, 7) != "HTTP/1." || !IsDigit(status[7]) || status[8] != ' ') {
    return false;
  }
  if (!IsDigit(status[9]) || !IsDigit(status[10]) || !IsDigit(status[11])) return false;
  if (status.size() > 12 && status[12] != ' ') return false;
  const int code = (status[9] - '0') * 100 + (status[10] - '0') * 10 + (status[11] - '0');
  if (code < 100) return false;
  status_ = code;
  return true;
}

void CHttpResponseReader::StartBody() {
  state_ = State::Body;
  if (chunked_) {
    framing_ = Framing::Chunked;
  } else if (hasLength_) {
    framing_ = Framing::Length;
    if (announced_ > bodyCap_) {
      Fail();
    } else if (announced_ == 0) {
      lengthKnown_ = true;
      state_ = State::Done;
    }
  } else {
    framing_ = Framing::UntilClose;
  }
}

void CHttpResponseReader::FeedChunked(std::string_view bytes) {
  while (!bytes.empty() && state_ == State::Body) {
    switch (chunkStep_) {
      case ChunkStep::Size: {
        const Line line = TakeLine(bytes, kMaxChunkLine);
        if (line == Line::TooLong) return Fail();
        if (line == Line::Partial) break;
        const std::string_view digits = Trimmed(std::string_view(line_).substr(0, line_.find(';')));
        if (digits.empty() || digits.size() > kMaxChunkDigits) return Fail();
        uint64_t size = 0;
        for (char c : digits) {
          const int value = HexValue(c);
          if (value < 0) return Fail();
          size = size * 16 + static_cast<uint64_t>(value);
        }
        line_.clear();
        if (size > bodyCap_ - std::min(bodyCap_, body_.size())) return Fail();
        chunkLeft_ = static_cast<size_t>(size);
        chunkStep_ = size == 0 ? ChunkStep::Trailer : ChunkStep::Data;
        break;
      }
      case ChunkStep::Data: {
        const size_t take = std::min(chunkLeft_, bytes.size());
        body_.append(bytes.data(), take);
        bytes.remove_prefix(take);
        chunkLeft_ -= take;
        if (chunkLeft_ == 0) chunkStep_ = ChunkStep::DataEnd;
        break;
      }
      case ChunkStep::DataEnd: {
        const Line line = TakeLine(bytes, 0);
        if (line == Line::TooLong) return Fail();
        if (line == Line::Partial) break;
        chunkStep_ = ChunkStep::Size;
        break;
      }
      case ChunkStep::Trailer: {
        const size_t before = bytes.size();
        const Line line = TakeLine(bytes, kMaxHeadBytes);
        headBytes_ += before - bytes.size();
        if (line == Line::TooLong || headBytes_ > kMaxHeadBytes) return Fail();
        if (line == Line::Partial) break;
        // Trailer fields are ignored; an empty line ends the answer.
        if (line_.empty()) {
          lengthKnown_ = true;
          state_ = State::Done;
        }
        line_.clear();
        break;
      }
    }
  }
}

void CHttpResponseReader::FeedBody(std::string_view bytes) {
  switch (framing_) {
    case Framing::Chunked:
      FeedChunked(bytes);
      return;
    case Framing::Length: {
      // Bytes past the announced end belong to nobody and are dropped.
      const size_t take = std::min(announced_ - body_.size(), bytes.size());
      body_.append(bytes.data(), take);
      if (body_.size() == announced_) {
        lengthKnown_ = true;
        state_ = State::Done;
      }
      return;
    }
    case Framing::UntilClose:
      // One byte past the cap is enough to know the answer is too big.
      body_.append(bytes.data(), std::min(bytes.size(), bodyCap_ + 1 - std::min(bodyCap_ + 1, body_.size())));
      if (body_.size() > bodyCap_) Fail();
      return;
  }
}

CHttpResponseReader::State CHttpResponseReader::Feed(std::string_view bytes) {
  while (!bytes.empty() && state_ == State::Head) {
    const size_t before = bytes.size();
    const Line line = TakeLine(bytes, kMaxHeadBytes);
    headBytes_ += before - bytes.size();
    if (line == Line::TooLong || headBytes_ > kMaxHeadBytes) {
      Fail();
      break;
    }
    if (line == Line::Partial) break;
    if (status_ == 0) {
      statusLine_.swap(line_);
      if (!ParseStatusLine()) Fail();
    } else if (!line_.empty()) {
      if (!ParseHeader(line_)) Fail();
    } else if (status_ == 101) {
      // Switching protocols: nothing more to read as HTTP.
      Fail();
    } else if (status_ < 200) {
      // An interim answer; the real one follows.
      status_ = 0;
      location_.clear();
      identityCoding_ = true;
      hasLength_ = chunked_ = false;
      announced_ = 0;
    } else {
      StartBody();
    }
    line_.clear();
  }
  if (state_ == State::Body && !bytes.empty()) FeedBody(bytes);
  return state_;
}

CHttpResponseReader::State CHttpResponseReader::Finish() {
  if (state_ == State::Done || state_ == State::Failed) return state_;
  // Only a body without a length ends with its connection; anything else was cut.
  if (state_ == State::Body && framing_ == Framing::UntilClose) {
    state_ = State::Done;
    return state_;
  }
  Fail();
  return state_;
}
