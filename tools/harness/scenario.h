// Scenario files: what the harness does and what it expects, one command a line. The format
// is described in tools/harness/README.md. Platform-free; parsing checks everything that can
// be checked before a window exists, so a typo fails at once with its line number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Left and top inclusive, right and bottom exclusive, in page client pixels.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
};

enum class Action { Step, Set, Send, Wait, Click, Host, Answer, ClickMethod, Screenshot, Expect };

enum class Check {
  Reply,  // the page's answer to the last record sent in the step
  Link,   // a "/page=N" request reached the host
  NoLink,
  Install,  // an install request reached the service
  NoInstall,
  Sent,      // the service sent a record with a state (the answer to an install request, say)
  HostPage,  // the page the host shows: 0 is the phone page
  Color,     // pixels of a colour in a rectangle (a pixel probe is a 1 x 1 rectangle)
  Same,      // a rectangle looks as in an earlier step's screenshot
  Differs,
};

enum class ClickMethod { Auto, Input, Messages };

struct Command {
  int line = 0;
  std::string source;  // the line as written, for messages
  Action action = Action::Step;
  Check check = Check::Reply;
  std::string name;   // step, field, link text, earlier step, screenshot label
  std::string text;   // step description, field value (UTF-8)
  int32_t value = 0;  // state, reply, host page, milliseconds
  bool on = false;    // service answer on or off; a screenshot of the whole screen
  ClickMethod method = ClickMethod::Auto;
  int x = 0;
  int y = 0;
  bool hasRect = false;
  PixelRect rect;
  Rgb color;
  int tolerance = 0;  // per channel
  int64_t atLeast = 1;
  bool atLeastPercent = false;
  int64_t atMost = -1;  // -1: no upper bound
  int timeoutMs = 0;    // "within" for checks that wait for something, "for" for absences
};

struct Scenario {
  std::vector<Command> commands;
  std::vector<std::string> stepNames;  // in order; a step's screenshot is NN-name.png
};

inline constexpr int kDefaultWithinMs = 1500;
inline constexpr int kDefaultForMs = 1000;
inline constexpr int kDefaultAnswerDelayMs = 1500;

// False with "line N: reason" in `error`.
bool ParseScenario(std::string_view text, Scenario& scenario, std::string& error);

// The host's pages: 0 is the phone page, 1 to 4 its own applications, games, music and novels
// pages, which the page asks for with "/page=1" to "/page=4".
const char* HostPageName(int page);
// The host page a link text asks for, 1 to 4, or 0 when the text is not one of the four.
int HostPageOfLink(std::u16string_view text);
