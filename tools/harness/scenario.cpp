#include "tools/harness/scenario.h"

#include <limits>

#include "tools/harness/record_form.h"

namespace {

constexpr int kMaxCoordinate = 4000;
constexpr int kMaxMilliseconds = 600000;

const char* const kHostPages[] = {"phone", "applications", "games", "music", "novels"};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Splits a line into words; "quoted text" is one word with \" and \\ inside. A word that
// starts with # and is followed by a blank (or is alone) starts a comment; #RRGGBB is a word.
bool SplitWords(std::string_view line, std::vector<std::string>& words, std::string& error) {
  size_t i = 0;
  while (true) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    if (i == line.size()) return true;
    if (line[i] == '#' && (words.empty() || i + 1 == line.size() || IsSpace(line[i + 1]))) return true;
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
          word.push_back(line[i++]);
        } else {
          word.push_back(c);
        }
      }
      if (!closed) {
        error = "a quoted text is not closed";
        return false;
      }
      if (i < line.size() && !IsSpace(line[i])) {
        error = "a quoted text must be followed by a blank";
        return false;
      }
    } else {
      while (i < line.size() && !IsSpace(line[i])) word.push_back(line[i++]);
    }
    words.push_back(word);
  }
}

bool ParseInt(const std::string& word, int64_t minimum, int64_t maximum, int64_t& value) {
  if (word.empty() || word.size() > 12) return false;
  size_t i = 0;
  const bool negative = word[0] == '-';
  if (negative) i = 1;
  if (i == word.size()) return false;
  int64_t result = 0;
  for (; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
    result = result * 10 + (word[i] - '0');
  }
  if (negative) result = -result;
  if (result < minimum || result > maximum) return false;
  value = result;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseColor(const std::string& word, Rgb& color) {
  if (word.size() != 7 || word[0] != '#') return false;
  int channels[3];
  for (int k = 0; k < 3; ++k) {
    const int high = HexDigit(word[1 + 2 * k]);
    const int low = HexDigit(word[2 + 2 * k]);
    if (high < 0 || low < 0) return false;
    channels[k] = high * 16 + low;
  }
  color = {static_cast<uint8_t>(channels[0]), static_cast<uint8_t>(channels[1]), static_cast<uint8_t>(channels[2])};
  return true;
}

bool IsName(const std::string& word) {
  if (word.empty() || word.size() > 40) return false;
  for (char c : word) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

int HostPageNumber(const std::string& word) {
  for (int page = 0; page < 5; ++page) {
    if (word == kHostPages[page] || word == std::to_string(page)) return page;
  }
  return -1;
}

// Reads one command's words after its keyword(s); every failure names what was wanted.
class LineParser {
 public:
  LineParser(const std::vector<std::string>& words, size_t first) : words_(words), next_(first) {}

  bool AtEnd() const { return next_ >= words_.size(); }
  bool Peek(const char* word) const { return !AtEnd() && words_[next_] == word; }
  std::string Take() { return AtEnd() ? std::string() : words_[next_++]; }

  bool Int(const char* what, int64_t minimum, int64_t maximum, int64_t& value) {
    if (AtEnd()) return Fail(std::string("expects ") + what);
    const std::string word = Take();
    if (!ParseInt(word, minimum, maximum, value)) {
      return Fail(std::string(what) + " must be a whole number from " + std::to_string(minimum) + " to " +
                  std::to_string(maximum) + ", not '" + word + "'");
    }
    return true;
  }

  bool Int(const char* what, int64_t minimum, int64_t maximum, int& value) {
    int64_t wide;
    if (!Int(what, minimum, maximum, wide)) return false;
    value = static_cast<int>(wide);
    return true;
  }

  bool Color(Rgb& color) {
    if (AtEnd()) return Fail("expects a colour #RRGGBB");
    const std::string word = Take();
    if (!ParseColor(word, color)) return Fail("a colour is written #RRGGBB, not '" + word + "'");
    return true;
  }

  bool Rect(PixelRect& rect) {
    if (!Int("left", 0, kMaxCoordinate, rect.left) || !Int("top", 0, kMaxCoordinate, rect.top) ||
        !Int("right", 0, kMaxCoordinate, rect.right) || !Int("bottom", 0, kMaxCoordinate, rect.bottom)) {
      return false;
    }
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
      return Fail("the rectangle LEFT TOP RIGHT BOTTOM is empty (right and bottom are exclusive)");
    }
    return true;
  }

  // Options after the fixed words; each allowed one may appear once, in any order.
  bool Options(Command& command, const std::vector<std::string>& allowed) {
    std::vector<std::string> seen;
    while (!AtEnd()) {
      const std::string option = Take();
      bool known = false;
      for (const auto& name : allowed) known = known || name == option;
      if (!known) {
        std::string list;
        for (const auto& name : allowed) list += (list.empty() ? "" : ", ") + name;
        return Fail("unexpected '" + option + "'" + (allowed.empty() ? "" : " (options here: " + list + ")"));
      }
      for (const auto& name : seen) {
        if (name == option) return Fail("'" + option + "' is given twice");
      }
      seen.push_back(option);
      if (option == "within" || option == "for") {
        if (!Int("milliseconds", 0, kMaxMilliseconds, command.timeoutMs)) return false;
      } else if (option == "tolerance") {
        if (!Int("tolerance", 0, 255, command.tolerance)) return false;
      } else if (option == "at-most") {
        if (!Int("at-most", 0, std::numeric_limits<int32_t>::max(), command.atMost)) return false;
        bool hasAtLeast = false;
        for (const auto& name : seen) hasAtLeast = hasAtLeast || name == "at-least";
        if (!hasAtLeast) command.atLeast = 0;
      } else if (option == "at-least") {
        if (AtEnd()) return Fail("expects a count after at-least");
        std::string word = Take();
        command.atLeastPercent = !word.empty() && word.back() == '%';
        if (command.atLeastPercent) word.pop_back();
        const int64_t maximum = command.atLeastPercent ? 100 : std::numeric_limits<int32_t>::max();
        if (!ParseInt(word, 0, maximum, command.atLeast)) {
          return Fail("at-least takes a count or a percentage such as 25%, not '" + words_[next_ - 1] + "'");
        }
      }
    }
    if (command.atMost >= 0 && !command.atLeastPercent && command.atLeast > command.atMost) {
      return Fail("at-least is above at-most");
    }
    return true;
  }

  bool Fail(const std::string& reason) {
    error = reason;
    return false;
  }

  std::string error;

 private:
  const std::vector<std::string>& words_;
  size_t next_;
};

class ScenarioParser {
 public:
  explicit ScenarioParser(Scenario& scenario) : scenario_(scenario) {}

  bool Line(int number, std::string_view line, std::string& error) {
    std::vector<std::string> words;
    if (!SplitWords(line, words, error)) return false;
    if (words.empty()) return true;
    ::Command command;
    command.line = number;
    command.source = std::string(line);
    while (!command.source.empty() && IsSpace(command.source.back())) command.source.pop_back();
    while (!command.source.empty() && IsSpace(command.source.front())) command.source.erase(0, 1);
    if (!ParseCommand(words, command, error)) return false;
    scenario_.commands.push_back(command);
    return true;
  }

 private:
  bool ParseCommand(const std::vector<std::string>& words, ::Command& command, std::string& error) {
    const std::string& keyword = words[0];
    const bool setup = keyword == "set" || keyword == "service" || keyword == "click-method";
    if (!setup && scenario_.stepNames.empty() && keyword != "step") {
      error = "'" + keyword +
              "' needs a step: start one with 'step NAME' (only set, service and click-method may come before)";
      return false;
    }
    LineParser p(words, 1);
    bool ok = false;
    if (keyword == "step") {
      ok = Step(p, command);
    } else if (keyword == "set") {
      ok = Set(p, command);
    } else if (keyword == "send") {
      command.action = Action::Send;
      ok = State(p, command) && p.Options(command, {});
    } else if (keyword == "wait") {
      command.action = Action::Wait;
      ok = p.Int("milliseconds", 0, kMaxMilliseconds, command.value) && p.Options(command, {});
    } else if (keyword == "click") {
      command.action = Action::Click;
      ok = p.Int("x", 0, kMaxCoordinate, command.x) && p.Int("y", 0, kMaxCoordinate, command.y) &&
           p.Options(command, {});
    } else if (keyword == "host") {
      command.action = Action::Host;
      ok = HostPage(p, command) && p.Options(command, {});
    } else if (keyword == "service") {
      ok = Service(p, command);
    } else if (keyword == "click-method") {
      ok = Method(p, command);
    } else if (keyword == "screenshot") {
      command.action = Action::Screenshot;
      ok = Screenshot(p, command);
    } else if (keyword == "expect") {
      command.action = Action::Expect;
      ok = Expect(p, command);
    } else {
      p.Fail("unknown command '" + keyword + "'");
    }
    if (!ok) error = p.error;
    return ok;
  }

  bool Step(LineParser& p, ::Command& command) {
    command.action = Action::Step;
    command.name = p.Take();
    if (!IsName(command.name)) {
      return p.Fail("a step name is 1 to 40 of a-z, 0-9, - and _, not '" + command.name + "'");
    }
    for (const auto& earlier : scenario_.stepNames) {
      if (earlier == command.name) return p.Fail("there is already a step named '" + command.name + "'");
    }
    if (scenario_.stepNames.size() >= 99) return p.Fail("a scenario has at most 99 steps");
    while (!p.AtEnd()) command.text += (command.text.empty() ? "" : " ") + p.Take();
    scenario_.stepNames.push_back(command.name);
    return true;
  }

  bool Set(LineParser& p, ::Command& command) {
    command.action = Action::Set;
    command.name = p.Take();
    if (p.AtEnd()) return p.Fail("expects set FIELD VALUE (quote a value with blanks, \"\" for empty)");
    command.text = p.Take();
    if (!p.AtEnd()) return p.Fail("expects one value; quote a value with blanks");
    std::string reason;
    if (!form_.Set(command.name, Utf8ToUtf16(command.text), reason)) {
      std::string fields;
      for (const auto& field : kRecordFields) fields += std::string(fields.empty() ? "" : ", ") + field.name;
      return p.Fail(FindRecordField(command.name) < 0 ? reason + " (fields: " + fields + ")" : reason);
    }
    return true;
  }

  bool State(LineParser& p, ::Command& command) {
    if (p.AtEnd()) return p.Fail("expects a state");
    const std::string word = p.Take();
    const auto state = ParseStateName(word);
    if (!state) {
      return p.Fail("unknown state '" + word +
                    "' (no-phone or idle, connected, connecting, connect-failed or failed, reconnect-requested, "
                    "guard-missing, or a number)");
    }
    command.value = *state;
    return true;
  }

  bool HostPage(LineParser& p, ::Command& command) {
    const std::string word = p.Take();
    command.value = HostPageNumber(word);
    if (command.value < 0) {
      return p.Fail("a host page is phone, applications, games, music, novels or 0 to 4, not '" + word + "'");
    }
    return true;
  }

  bool Service(LineParser& p, ::Command& command) {
    command.action = Action::Answer;
    if (p.Take() != "answer") return p.Fail("expects 'service answer on [MILLISECONDS]' or 'service answer off'");
    const std::string mode = p.Take();
    if (mode == "on") {
      command.on = true;
      command.value = kDefaultAnswerDelayMs;
      if (!p.AtEnd() && !p.Int("milliseconds", 0, kMaxMilliseconds, command.value)) return false;
    } else if (mode != "off") {
      return p.Fail("expects 'service answer on [MILLISECONDS]' or 'service answer off'");
    }
    return p.Options(command, {});
  }

  bool Method(LineParser& p, ::Command& command) {
    command.action = Action::ClickMethod;
    const std::string word = p.Take();
    if (word == "auto") {
      command.method = ClickMethod::Auto;
    } else if (word == "input") {
      command.method = ClickMethod::Input;
    } else if (word == "messages") {
      command.method = ClickMethod::Messages;
    } else {
      return p.Fail("click-method is auto, input or messages, not '" + word + "'");
    }
    return p.Options(command, {});
  }

  bool Screenshot(LineParser& p, ::Command& command) {
    if (!p.AtEnd()) {
      command.name = p.Take();
      if (!IsName(command.name)) {
        return p.Fail("a screenshot label is 1 to 40 of a-z, 0-9, - and _, not '" + command.name + "'");
      }
      if (p.Peek("desktop")) {
        p.Take();
        command.on = true;
      }
    }
    for (const auto& label : labels_) {
      if (label == command.name) {
        return p.Fail(command.name.empty() ? "this step already has its screenshot; give extra ones a label"
                                           : "this step already has a screenshot labelled '" + command.name + "'");
      }
    }
    labels_.push_back(command.name);
    return p.Options(command, {});
  }

  bool EarlierStep(LineParser& p, ::Command& command) {
    command.name = p.Take();
    for (size_t i = 0; i + 1 < scenario_.stepNames.size(); ++i) {
      if (scenario_.stepNames[i] == command.name) return true;
    }
    if (!scenario_.stepNames.empty() && scenario_.stepNames.back() == command.name) {
      return p.Fail("'" + command.name + "' is this step; compare with an earlier one");
    }
    return p.Fail("no earlier step named '" + command.name + "'");
  }

  bool Expect(LineParser& p, ::Command& command) {
    const std::string what = p.Take();
    command.timeoutMs = kDefaultWithinMs;
    if (what == "reply") {
      command.check = Check::Reply;
      return p.Int("reply", std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), command.value) &&
             p.Options(command, {});
    }
    if (what == "link") {
      command.check = Check::Link;
      command.name = p.Take();
      if (command.name.empty()) return p.Fail("expects the link text, such as /page=3");
      return p.Options(command, {"within"});
    }
    if (what == "no-link" || what == "no-install") {
      command.check = what == "no-link" ? Check::NoLink : Check::NoInstall;
      command.timeoutMs = kDefaultForMs;
      return p.Options(command, {"for"});
    }
    if (what == "install") {
      command.check = Check::Install;
      return p.Options(command, {"within"});
    }
    if (what == "sent") {
      command.check = Check::Sent;
      return State(p, command) && p.Options(command, {"within"});
    }
    if (what == "host-page") {
      command.check = Check::HostPage;
      return HostPage(p, command) && p.Options(command, {"within"});
    }
    if (what == "pixel") {
      command.check = Check::Color;
      command.hasRect = true;
      if (!p.Int("x", 0, kMaxCoordinate, command.x) || !p.Int("y", 0, kMaxCoordinate, command.y)) return false;
      command.rect = {command.x, command.y, command.x + 1, command.y + 1};
      return p.Color(command.color) && p.Options(command, {"tolerance", "within"});
    }
    if (what == "color") {
      command.check = Check::Color;
      command.hasRect = true;
      return p.Rect(command.rect) && p.Color(command.color) &&
             p.Options(command, {"tolerance", "at-least", "at-most", "within"});
    }
    if (what == "same" || what == "differs") {
      command.check = what == "same" ? Check::Same : Check::Differs;
      if (!EarlierStep(p, command)) return false;
      if (!p.AtEnd() && !p.Peek("within") && !p.Peek("tolerance") && !p.Peek("at-least")) {
        command.hasRect = true;
        if (!p.Rect(command.rect)) return false;
      }
      if (command.check == Check::Same) return p.Options(command, {"tolerance", "within"});
      return p.Options(command, {"at-least", "within"});
    }
    return p.Fail("unknown expectation '" + what +
                  "' (reply, link, no-link, install, no-install, sent, host-page, pixel, color, same, differs)");
  }

 public:
  void NewStep() { labels_.clear(); }

 private:
  Scenario& scenario_;
  RecordForm form_;
  std::vector<std::string> labels_;
};

}  // namespace

bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error) {
  Scenario parsed;
  ScenarioParser parser(parsed);
  int number = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    ++number;
    std::string_view line = text.substr(start, end - start);
    if (number == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    const size_t stepsBefore = parsed.stepNames.size();
    std::string reason;
    if (!parser.Line(number, line, reason)) {
      error = "line " + std::to_string(number) + ": " + reason;
      return false;
    }
    if (parsed.stepNames.size() != stepsBefore) parser.NewStep();
    start = end + 1;
  }
  if (parsed.stepNames.empty()) {
    error = "the scenario has no step";
    return false;
  }
  scenario = std::move(parsed);
  return true;
}

const char* HostPageName(int page) { return page >= 0 && page < 5 ? kHostPages[page] : "?"; }

int HostPageOfLink(std::u16string_view text) {
  if (text.size() != 7 || text.substr(0, 6) != u"/page=") return 0;
  const char16_t digit = text[6];
  return digit >= u'1' && digit <= u'4' ? digit - u'0' : 0;
}
