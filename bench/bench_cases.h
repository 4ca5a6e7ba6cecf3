// The work every native benchmark measures, named once: our kernels on the page's pictures
// and on synthetic mixes, the same work through pixman, and memcpy of the same destination.
// The timing program and the instruction counter run the same cases.
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

// One comparison line of the report: our case against pixman's and memcpy's.
struct BenchRow {
  std::string label;
  std::string ours;
  std::string pixmanX888;  // empty when there is no comparable pixman case
  std::string pixman0888;
  std::string memcpyCase;
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
