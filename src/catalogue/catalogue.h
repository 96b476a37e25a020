#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"

namespace gamefold {

/// The year indicator: its caption and its background colour as 0xRRGGBB.
struct Indicator {
  std::string caption;
  std::uint32_t rgb = 0;
  bool operator==(const Indicator&) const = default;
};

inline const Indicator kIndicatorMaybe{" MAYBE ", 0xFFFF00};
inline const Indicator kIndicatorNoMatch{" NO MATCH ", 0xFF0000};
inline const Indicator kIndicatorMatched{" MATCHED ", 0x00FF00};
/// Shown by the input folder picker when the folder holds no boxscore.
inline const Indicator kIndicatorNoGames{" NO GAMES ", 0xFF0000};

/// The trace texts of a rebuild.
inline constexpr std::string_view kTraceGettingDates = " getting dates ";
inline constexpr std::string_view kTraceEndedDates = " ended dates ";
inline constexpr std::string_view kTraceNoDates1 = " ended dates from No Dates1 ";
inline constexpr std::string_view kTraceNoDates2 = " ended dates from No Dates2 ";
inline constexpr std::string_view kTraceFileError = " File Error in Boxes ";

/// Everything one rebuild of the game-day catalogue decides; the window (or gamefold-batch)
/// applies it. Fields left empty mean "leave what is shown as it is".
struct CatalogueResult {
  enum class End {
    kNoBoxscores,  // the input listing is empty: nothing shown changes
    kFileError,    // the first boxscore name is not 17 characters: nothing shown changes
    kListed,       // normal end
    kFailed,       // error exit: show `failure`, then trace kTraceNoDates2
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
  /// Trace texts in order. On kFailed it ends before the error report; the caller shows the
  /// report and then traces kTraceNoDates2.
  std::vector<std::string> trace;
};

/// Rebuilds the catalogue from the two folder listings (byte names, in listing order): the game
/// days whose boxscores are in the input folder and whose pages are not in the output folder.
/// Characters missing from a short name read as not numeric.
CatalogueResult Get_Dates(const std::vector<std::string>& input_names,
                          const std::vector<std::string>& output_names);

/// The same rebuild over views of the names, as a compact folder listing holds them.
CatalogueResult Get_Dates(std::span<const std::string_view> input_names,
                          std::span<const std::string_view> output_names);

}  // namespace gamefold
