// The work every native benchmark measures, named once: our kernels drawing the page's own
// pictures into the page's 32-bit buffer (and, for comparison, into a 24-bit one), and the
// same work through pixman. The timing program and the instruction counter run the same cases.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct BenchCase {
  std::string name;
  int64_t pixels;  // destination pixels one run writes or looks at
  std::function<void()> run;
};

// One line of the report: our case against pixman's on the same work.
struct BenchRow {
  std::string label;
  std::string ours;
  std::string pixman;  // OVER onto x8r8g8b8, or nearest SRC for an opaque draw
  double atMost;       // the target for ours / pixman; 0 for none
};

class BenchFixture {
 public:
  explicit BenchFixture(const std::string& pngDir);
  ~BenchFixture();
  BenchFixture(const BenchFixture&) = delete;
  BenchFixture& operator=(const BenchFixture&) = delete;

  const std::vector<BenchCase>& Cases() const { return cases_; }
  static std::vector<BenchRow> Rows();
  // Where each picture came from and its alpha make-up, for the report.
  std::string Describe() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
  std::vector<BenchCase> cases_;
};
