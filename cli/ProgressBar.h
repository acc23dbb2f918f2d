// A one-line progress bar on standard error for batch runs, and failure lines printed without tearing it.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

namespace qxenv {

// Thread-safe. When disabled (standard error is not a terminal) only the lines passed to print() appear.
class ProgressBar {
 public:
  ProgressBar(std::size_t total, bool enabled);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // One more item done.
  void advance();
  // Prints `line` (without newline) on standard error above the bar.
  void print(const std::string& line);

 private:
  void draw_locked();
  void clear_locked();

  std::mutex mutex_;
  std::size_t total_;
  std::size_t done_ = 0;
  bool enabled_;
  bool drawn_ = false;
};

}  // namespace qxenv
