#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_internal.h"
#include "batch/command_table.h"
#include "catalogue/catalogue.h"
#include "core/failure.h"
#include "core/folder_listing.h"
#include "core/game_day.h"
#include "core/text_file.h"
#include "daypages/process.h"
#include "runs/runs.h"

namespace gamefold::batch {

namespace {

// The catalogue reads the years from the first name of each listing and marks the days of the
// others in any order alike, so "list" sorts no more than it must: each listing only brings
// its least name to the front. Which bad name comes first decides only the error exit, which
// is therefore taken again over fully sorted listings.
CatalogueResult ListDays(CompactListing* input_names, CompactListing* output_names) {
  CatalogueResult result = BuildCatalogue(input_names->names(), output_names->names());
  if (result.end != CatalogueResult::End::kFailed) return result;
  input_names->Sort();
  output_names->Sort();
  return BuildCatalogue(input_names->names(), output_names->names());
}

int RunListChanged(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  std::vector<std::string> input_names, keys;
  Failure failure;
  if (!ListFolder(command.input_folder, kBoxscorePattern, &input_names, &failure)) {
    ReportFailure(failure, err);
    return kExitFailure;
  }
  keys = DaysWithBoxscores(input_names);
  if (input_names.empty()) NoteNoBoxscores(command, err);
  DayProcessor processor;
  ProcessJob job{command.input_folder, input_names, command.output_folder, command.content_choice,
                 command.charset};
  std::string text;
  for (const std::string& key : keys) {
    bool differs = false;
    if (!processor.PageDiffers(job, key, &differs, &failure)) {
      ReportFailure(failure, err);
      return kExitFailure;
    }
    if (differs) text.append(key).append("\n");
  }
  out << text;
  return kExitSuccess;
}

}  // namespace

int RunList(const BatchCommand& command, std::ostream& out, std::ostream& err) {
  if (command.changed_only) return RunListChanged(command, out, err);
  CompactListing input_names, output_names;
  Failure failure;
  if (!ListFolder(command.input_folder, kBoxscorePattern, ListingOrder::kLeastFirst, &input_names,
                  &failure) ||
      !ListFolder(command.output_folder, kDayPagePattern, ListingOrder::kLeastFirst, &output_names,
                  &failure)) {
    ReportFailure(failure, err);
    return kExitFailure;
  }
  CatalogueResult result = ListDays(&input_names, &output_names);
  std::string_view first_name = input_names.names().empty() ? "" : input_names.names().front();
  if (!CatalogueLetsRunGo(result, command.input_folder, first_name, &failure)) {
    ReportFailure(failure, err);
    return kExitFailure;
  }
  ReportCatalogueEnd(result, command, err);
  if (result.end == CatalogueResult::End::kListed) {
    std::string text;
    for (const std::string& entry : result.entries) text.append(entry).append("\n");
    out << text;
  }
  return kExitSuccess;
}

namespace {
constexpr OptionId kListOptions[] = {OptionId::kChanged, OptionId::kContent, OptionId::kCharset};
}  // namespace

const CommandRow kListCommand = {
    "list",
    BatchCommand::Kind::kList,
    "list INPUT OUTPUT\n"
    "list --changed [--content 1|2|3] [--charset NAME] INPUT OUTPUT\n",
    "  list     prints the game days that have boxscores but no page yet, one key a line\n"
    "    --changed     the days whose page is missing or would change, without writing\n",
    kListOptions,
    Operands::kInputOutput,
    [](const BatchCommand& command, std::ostream& out, std::ostream& err, bool) {
      return RunList(command, out, err);
    },
};

}  // namespace gamefold::batch
