// Progress bar drawing with carriage returns and an erase-line sequence.
#include "cli/ProgressBar.h"

#include <cstdio>

namespace qxenv {
namespace {
constexpr std::size_t kWidth = 40;
}

ProgressBar::ProgressBar(std::size_t total, bool enabled) : total_(total), enabled_(enabled && total > 0) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (enabled_) draw_locked();
}

ProgressBar::~ProgressBar() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (drawn_) clear_locked();
}

void ProgressBar::advance() {
  const std::lock_guard<std::mutex> lock(mutex_);
  ++done_;
  if (enabled_) draw_locked();
}

void ProgressBar::print(const std::string& line) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (drawn_) clear_locked();
  std::fprintf(stderr, "%s\n", line.c_str());
  if (enabled_) draw_locked();
}

void ProgressBar::draw_locked() {
  const std::size_t filled = total_ == 0 ? kWidth : done_ * kWidth / total_;
  std::string bar(filled, '#');
  bar.append(kWidth - filled, '.');
  std::fprintf(stderr, "\r[%s] %zu/%zu", bar.c_str(), done_, total_);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::clear_locked() {
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace qxenv
