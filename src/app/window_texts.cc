#include "app/window_texts.h"

namespace gamefold {

std::string TraceText(const CatalogueStep& step) {
  switch (step.kind) {
    case CatalogueStep::Kind::kStarted:
      return " getting dates ";
    case CatalogueStep::Kind::kFileError:
      return std::string(" File Error in Boxes ").append(step.detail);
    case CatalogueStep::Kind::kNotice:
      return std::string(" ").append(step.detail).append(" ");
    case CatalogueStep::Kind::kListed:
      return " ended dates ";
    case CatalogueStep::Kind::kNothingListed:
      return " ended dates from No Dates1 ";
  }
  return "";
}

IndicatorLook LookOf(Indicator indicator) {
  // The word stands between blanks, so that the colour shows around it.
  std::string caption = std::string(" ").append(IndicatorWord(indicator)).append(" ");
  switch (indicator) {
    case Indicator::kMaybe:
      return {caption, 0xFFFF00};
    case Indicator::kNoMatch:
      return {caption, 0xFF0000};
    case Indicator::kMatched:
      return {caption, 0x00FF00};
  }
  return {caption};
}

IndicatorLook NoGamesLook() { return {" NO GAMES ", 0xFF0000}; }

}  // namespace gamefold
