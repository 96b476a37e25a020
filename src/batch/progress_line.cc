#include "batch/progress_line.h"

#include <string>

namespace gamefold::batch {

void ProgressLine::Draw(size_t done, size_t total, std::string_view text) {
  if (!shown_) return;
  size_t filled = total == 0 ? 0 : kWidth * done / total;
  std::string line = "\r[";
  line.append(filled, '#').append(kWidth - filled, ' ').append("] ").append(text);
  err_ << line << std::flush;
  drawn_ = true;
}

void ProgressLine::Finish() {
  if (drawn_) err_ << '\n';
  drawn_ = false;
}

}  // namespace gamefold::batch
