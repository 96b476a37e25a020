#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"

namespace gamefold {

/// The line of leading blank cells of a week whose first day has weekday day_of_week
/// (1 = Sunday); empty when no cell is needed.
std::string PositionDay(int day_of_week);

/// The line of blank cells that completes a week whose last day has weekday day_of_week;
/// empty after a Saturday.
std::string Finish_Month(int day_of_week);

/// Builds the index page from the output folder's listing of day pages ("GamesOf*.*" names, in
/// listing order): a month calendar for every month with a page, of the year of the first usable
/// name. Names whose positions 12-15 are not four digits with a month 01-12 are passed over.
/// Fails with 53 "no day page to index ..." and leaves out alone when no name gives a year.
[[nodiscard]] bool BuildIndexPage(const std::vector<std::string>& page_names, std::string* out,
                                  Failure* err);

/// Builds the index page and replaces output_folder/GamesIndex.htm with it atomically, unless
/// the file already holds the same bytes (*written, when given, tells which); charset, when not
/// empty, is declared in the page's head; durable brings it to the disk before it replaces the
/// old one; site adds the link to the league's standings. On any failure (the one of
/// BuildIndexPage, naming the folder, or a write failure)
/// the old index stays.
[[nodiscard]] bool WriteIndexPage(const std::string& output_folder,
                                  const std::vector<std::string>& page_names, Failure* err,
                                  std::string_view charset = {}, bool* written = nullptr,
                                  bool durable = false, bool site = false);

}  // namespace gamefold
