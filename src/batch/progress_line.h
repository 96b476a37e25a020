#pragma once

#include <cstddef>
#include <ostream>
#include <string_view>

namespace gamefold::batch {

/// A progress bar on a terminal's line, drawn over itself: "\r[####      ] " and a text.
class ProgressLine {
 public:
  /// Width of the bar, in characters between the brackets.
  static constexpr size_t kWidth = 30;

  /// Draws on err when shown; otherwise draws nothing.
  ProgressLine(std::ostream& err, bool shown) : err_(err), shown_(shown) {}

  bool shown() const { return shown_; }
  /// Draws the bar filled to done of total (empty when total is 0), then text.
  void Draw(size_t done, size_t total, std::string_view text);
  /// Ends the bar's line once drawn, so that the messages after it start on a line of their own.
  void Finish();

 private:
  std::ostream& err_;
  bool shown_;
  bool drawn_ = false;
};

}  // namespace gamefold::batch
