#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"

namespace gamefold {

/// The year indicator: how the year of the boxscores compares with the year of the pages.
enum class Indicator {
  kMaybe,    // no page name gives a year to compare with
  kNoMatch,  // the pages are of another year
  kMatched,  // the pages are of the boxscores' year
};

/// The indicator's word: "MAYBE", "NO MATCH" or "MATCHED".
std::string_view IndicatorWord(Indicator indicator);

/// A step of a rebuild that the trace log records.
struct CatalogueStep {
  enum class Kind {
    kStarted,        // the rebuild begins
    kFileError,      // the first boxscore name is not 17 characters: detail is that name
    kNotice,         // the listing may mislead the user: detail is the notice
    kListed,         // the days are listed
    kNothingListed,  // an early end: nothing shown changes
  };
  Kind kind = Kind::kStarted;
  std::string detail = {};
  bool operator==(const CatalogueStep&) const = default;
};

/// Everything one rebuild of the game-day catalogue decides; the window (or gamefold-batch)
/// applies it. Fields left empty mean "leave what is shown as it is".
struct CatalogueResult {
  enum class End {
    kNoBoxscores,  // the input listing is empty: nothing shown changes
    kFileError,    // the first boxscore name is not 17 characters: nothing shown changes
    kListed,       // normal end
    kFailed,       // error exit: show `failure`, then trace the failed end
  };
  End end = End::kNoBoxscores;
  /// True once "Game Days Available" was emptied; `entries` is then its new content (on kFailed
  /// possibly a partial one).
  bool list_replaced = false;
  std::vector<std::string> entries;
  /// The indicator to show, when the rebuild sets it.
  std::optional<Indicator> indicator;
  /// "Days to Process" and "Days Processed", set on kListed only.
  std::optional<long> days_in;
  std::optional<long> days_out;
  /// Set on kFailed: 13 "Type mismatch", 9 "Subscript out of range" or 6 "Overflow".
  Failure failure;
  /// Why the listing may mislead the user, empty when it does not: the first boxscore name's
  /// length (kFileError), or boxscores of more than one year (kListed). Shown beside the
  /// indicator, never as a box.
  std::string notice;
  /// The steps to trace, in order. On kFailed they end before the error report; the caller
  /// shows the report and then traces the failed end.
  std::vector<CatalogueStep> trace;
};

/// Rebuilds the catalogue from the two folder listings (byte names, in listing order): the game
/// days whose boxscores are in the input folder and whose pages are not in the output folder.
/// Characters missing from a short name read as not numeric.
CatalogueResult BuildCatalogue(const std::vector<std::string>& input_names,
                               const std::vector<std::string>& output_names);

/// The same rebuild over views of the names, as a compact folder listing holds them.
CatalogueResult BuildCatalogue(std::span<const std::string_view> input_names,
                               std::span<const std::string_view> output_names);

}  // namespace gamefold
