#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

namespace gamefold {

/// Trace texts of the "&PROCESS" command.
inline constexpr std::string_view kTraceStartingProcess = " starting process ";
inline constexpr std::string_view kTraceBackFromProcess = " back from process ";

/// Trace texts of the "&BUILD INDEX FILE" command.
inline constexpr std::string_view kTraceStartingIndexes = " starting indexes ";
inline constexpr std::string_view kTraceBackFromIndexing = " back from indexing ";

/// The trace text that ends a rebuild of the catalogue that failed, after its error report.
inline constexpr std::string_view kTraceNoDates2 = " ended dates from No Dates2 ";

/// The trace line of a step of a rebuild of the catalogue.
std::string TraceText(const CatalogueStep& step);

/// How the year indicator looks: its caption and its background colour as 0xRRGGBB.
struct IndicatorLook {
  std::string caption;
  std::uint32_t rgb = 0;
  bool operator==(const IndicatorLook&) const = default;
};

/// The look of an indicator that a rebuild of the catalogue set.
IndicatorLook LookOf(Indicator indicator);

/// The look of the indicator when the input folder holds no boxscore.
IndicatorLook NoGamesLook();

}  // namespace gamefold
