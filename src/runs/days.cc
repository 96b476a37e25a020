#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/game_day.h"
#include "core/text_file.h"
#include "runs/runs.h"
#include "runs/runs_internal.h"
#include "site/site.h"

namespace gamefold {

namespace {

// 52, "Bad file name or number": the first boxscore's name cannot give the days their year.
constexpr int kBadFirstNameNumber = 52;

// The days the catalogue lists. It reads every name as a day of the first name's year: a season
// that crosses New Year lists its January days under the year before, days without a boxscore
// of their own. Only the days of that year are taken; the others wait for every day to be asked
// for, and the years left out are told.
void DaysOfFirstYear(std::span<const std::string> input_names, const CatalogueResult& result,
                     ChosenDays* chosen) {
  std::string_view first_name = input_names.empty() ? "" : std::string_view(input_names.front());
  std::string_view year = first_name.substr(0, 4);
  std::set<std::string, std::less<>> days_of_boxscores;
  std::set<std::string, std::less<>> other_years;
  for (const std::string& name : input_names) {
    std::string_view key = DayKeyOf(name);
    if (!IsDayKey(key)) continue;
    days_of_boxscores.emplace(key);
    if (key.substr(0, 4) != year) other_years.emplace(key.substr(0, 4));
  }
  for (const std::string& entry : result.entries) {
    std::string_view key = DayKeyOf(entry);
    if (days_of_boxscores.contains(key)) chosen->keys.emplace_back(key);
  }
  chosen->year = year;
  chosen->other_years.assign(other_years.begin(), other_years.end());
}

// The days without a page, from a rebuild over the two listings.
bool NewDays(const RunPlace& place, const std::vector<std::string>& input_names,
             const std::vector<std::string>& output_names, ChosenDays* chosen, Failure* err) {
  chosen->catalogue = BuildCatalogue(input_names, output_names);
  const CatalogueResult& result = *chosen->catalogue;
  std::string_view first_name = input_names.empty() ? "" : std::string_view(input_names.front());
  if (!CatalogueLetsRunGo(result, place.input_folder, first_name, err)) return false;
  if (result.end == CatalogueResult::End::kListed) DaysOfFirstYear(input_names, result, chosen);
  return true;
}

}  // namespace

std::vector<std::string> DaysWithBoxscores(std::span<const std::string> input_names) {
  // Taken from the names rather than from the catalogue, which reads every name as a day of the
  // first name's year and would make pages without games for the days of other years.
  std::set<std::string, std::less<>> keys;
  for (const std::string& name : input_names) {
    if (IsDayKey(DayKeyOf(name))) keys.emplace(DayKeyOf(name));
  }
  return {keys.begin(), keys.end()};
}

bool CatalogueLetsRunGo(const CatalogueResult& result, const std::string& input_folder,
                        std::string_view first_input_name, Failure* err) {
  if (result.end == CatalogueResult::End::kFailed) {
    *err = result.failure;
    return false;
  }
  if (result.end != CatalogueResult::End::kFileError) return true;
  std::string path = JoinPath(input_folder, first_input_name);
  *err = {kBadFirstNameNumber,
          "File Error in Boxes " + PrintableName(path) +
              ": the first boxscore name is not 17 characters long, so no days are listed",
          path};
  return false;
}

bool ChooseDays(const RunPlace& place, const ProcessRequest& request,
                const std::vector<std::string>& input_names, OutputNames* output_names,
                ChosenDays* chosen, Failure* err) {
  switch (request.days) {
    case DayChoice::kGiven:
      chosen->keys = request.keys;
      break;
    case DayChoice::kSettled:
      for (const std::string& key : request.keys) {
        if (!DayFiles(input_names, key).empty()) chosen->keys.push_back(key);
      }
      break;
    case DayChoice::kAll:
      chosen->keys = DaysWithBoxscores(input_names);
      chosen->no_boxscores = input_names.empty();
      break;
    case DayChoice::kNew: {
      const std::vector<std::string>* names = output_names->Get(err);
      if (names == nullptr || !NewDays(place, input_names, *names, chosen, err)) {
        return false;
      }
      break;
    }
  }
  return true;
}

bool AddNeighbours(const OutputSettings& settings, const std::vector<std::string>& input_names,
                   OutputNames* output_names, ChosenDays* chosen,
                   std::vector<std::string>* site_days, Failure* err) {
  if (!settings.site) return true;
  const std::vector<std::string>* names = output_names->Get(err);
  if (names == nullptr) return false;
  AddSiteNeighbours(*names, input_names, &chosen->keys, site_days);
  return true;
}

}  // namespace gamefold
