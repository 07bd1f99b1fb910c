// Progress on standard error: a bar redrawn in place when standard error is
// a terminal, and a one-line summary at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kavro {

class Progress {
 public:
  // bar: draw the bar (only sensible on a terminal); summary: print the last line.
  Progress(uint32_t total, bool bar, bool summary, std::FILE* out = stderr);

  void Update(uint32_t done);
  // Clears the bar and prints "N frames in S s (F fps)" when asked for.
  void Finish(uint32_t done);
  // Clears the bar only, for a render that failed.
  void Clear();

  // The bar as drawn for `done` frames after `seconds`.
  static std::string Bar(uint32_t done, uint32_t total, double seconds);
  static std::string Summary(uint32_t done, double seconds);

  static bool StandardErrorIsTerminal();

 private:
  double Seconds() const;

  uint32_t total_;
  bool bar_, summary_;
  std::FILE* out_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace kavro
