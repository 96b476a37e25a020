// gamefold-sample-season: writes a season of sample boxscore files into a folder, one file per
// game, named YYYYMMDD + the game's five-digit number within its day + ".BOX". Each file holds
// the three sections of a league simulation's game report (boxscore with line score, scoresheet,
// play-by-play log), each opened by a line that repeats the report's first line. The games are
// simulated plate appearance by plate appearance, so the line score, the batting and pitching
// lines and the log agree with each other. The output depends on the arguments only.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/game_day.h"
#include "core/platform.h"
#include "sample_game.h"

namespace gamefold::sample {
namespace {

constexpr char kUsage[] =
    "usage: gamefold-sample-season [--seed N] [--year Y] [--days D] [--force] FOLDER\n";
constexpr char kHelp[] =
    "\n"
    "Writes a made-up season of boxscore files YYYYMMDDnnnnn.BOX into FOLDER, which it creates.\n"
    "\n"
    "  --seed N    another season of the same shape (default 1)\n"
    "  --year Y    the season's year, 1000 to 9999 (default 2008)\n"
    "  --days D    how many game days from 1 April, 1 to 275 (default 180)\n"
    "  --force     replaces files of the same names; without it an existing file stops the run\n"
    "              before anything is written\n"
    "\n"
    "Exit status: 0 written, 1 failed (the reason is on standard error), 2 bad usage.\n";

struct Options {
  std::uint64_t seed = 1;
  int year = 2008;
  int days = 180;
  bool force = false;
  bool help = false;
  std::string folder;
};

// A value an option refuses, with the message that tells so; thrown from CLI11's callbacks.
struct UsageProblem : std::runtime_error {
  using std::runtime_error::runtime_error;
};

bool ParseNumber(const std::string& text, long long low, long long high, long long* value) {
  char* end = nullptr;
  errno = 0;
  long long number = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || number < low || number > high) {
    return false;
  }
  *value = number;
  return true;
}

// A number option from low to high; refused tells why a value is not one, after the option and
// the value as given.
template <typename Take>
void Number(CLI::App* app, const std::string& name, long long low, long long high,
            const std::string& refused, Take take) {
  app->add_option_function<std::string>(
         name,
         [=](const std::string& text) {
           long long value = 0;
           if (!ParseNumber(text, low, high, &value)) {
             throw UsageProblem(name + " " + text + ": " + refused);
           }
           take(value);
         },
         name + " needs a number")
      ->trigger_on_parse();
}

// An unknown option met before a refused value is the first mistake: *problem tells it then.
void FirstUnknown(const CLI::App& app, std::string* problem) {
  for (const std::string& arg : app.remaining()) {
    if (arg == "--") continue;
    *problem = "unknown option " + arg;
    return;
  }
}

// False with the problem, for the user, when the arguments are bad.
bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* problem) {
  CLI::App app;
  app.set_help_flag();
  app.allow_windows_style_options(false);
  app.allow_extras();
  Number(&app, "--seed", 0, LLONG_MAX, "the seed is a whole number from 0",
         [options](long long value) { options->seed = static_cast<std::uint64_t>(value); });
  Number(&app, "--year", 1000, 9999,
         "the year must be 1000 to 9999, four digits as in the file names",
         [options](long long value) { options->year = static_cast<int>(value); });
  Number(&app, "--days", 1, 275,
         "the days must be 1 to 275, game days from 1 April that stay within the year",
         [options](long long value) { options->days = static_cast<int>(value); });
  app.add_flag("--force", options->force);
  app.add_flag("-h,--help", options->help);
  std::vector<std::string> folders;
  app.add_option("folder", folders)->expected(0, -1);
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const UsageProblem& refused) {
    *problem = refused.what();
    FirstUnknown(app, problem);
    return false;
  } catch (const CLI::ArgumentMismatch&) {
    // Only the last argument can lack its value.
    const CLI::Option* option = app.get_option_no_throw(args.back());
    *problem = option != nullptr ? option->get_description() : "unknown option " + args.back();
    FirstUnknown(app, problem);
    return false;
  } catch (const CLI::ParseError&) {
    *problem = "cannot read the arguments";
    return false;
  }
  // What CLI11 did not take, and a folder that looks like an option ("-1"), are unknown.
  std::vector<std::string> unknown;
  for (const std::string& arg : app.remaining()) {
    if (arg != "--") unknown.push_back(arg);
  }
  auto mark = std::find(args.begin(), args.end(), "--");
  for (const std::string& folder : folders) {
    if (folder.size() > 1 && folder[0] == '-' && std::find(args.begin(), mark, folder) != mark) {
      unknown.push_back(folder);
    }
  }
  if (!unknown.empty()) {
    *problem = "unknown option " + unknown.front();
    return false;
  }
  if (folders.size() > 1 || (folders.size() == 1 && folders[0].empty())) {
    *problem = "one FOLDER only";
    return false;
  }
  if (folders.empty() && !options->help) {
    *problem = "no FOLDER given";
    return false;
  }
  if (!folders.empty()) options->folder = folders[0];
  return true;
}

Date NextDay(Date date) {
  if (++date.day > DaysInMonth(date.year, date.month)) date.day = 1, ++date.month;
  return date;
}

// 13 and 14 games by turns: 2,430 games over 180 days.
int GamesOnDay(int day) { return 27 * (day + 1) / 2 - 27 * day / 2; }

std::string BoxscoreName(Date date, int number) {
  return Format("%04d%02d%02d%05d.BOX", date.year, date.month, date.day, number);
}

// The first file of the season that is there already, or nothing: the folder may hold a user's
// own boxscores of the same names, which a sample must never replace unasked. Checked before
// anything is written, so that a refused run leaves the folder as it was.
std::string FirstExisting(const Options& options) {
  Date date{options.year, 4, 1};
  for (int day = 0; day < options.days; ++day, date = NextDay(date)) {
    for (int number = 1; number <= GamesOnDay(day); ++number) {
      std::string path = options.folder + "/" + BoxscoreName(date, number);
      // A link that leads nowhere is there as well.
      if (gamefold::platform::KindOfPath(path) != gamefold::platform::EntryKind::kMissing) {
        return path;
      }
    }
  }
  return {};
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

int MakeSeason(const Options& options) {
  int errnum = 0;
  if (!gamefold::platform::MakeFolders(options.folder, &errnum)) {
    std::fprintf(stderr, "gamefold-sample-season: cannot create %s: %s\n", options.folder.c_str(),
                 gamefold::platform::ErrorText(errnum).c_str());
    return 1;
  }
  if (!options.force) {
    std::string existing = FirstExisting(options);
    if (!existing.empty()) {
      std::fprintf(stderr,
                   "gamefold-sample-season: %s exists already; nothing written (--force replaces "
                   "it)\n",
                   existing.c_str());
      return 1;
    }
  }
  Random random(options.seed);
  std::vector<Team> teams = MakeLeague(random);
  std::string banner =
      Format("   CONTINENTAL DOMINION BASEBALL LEAGUE  --  %d SEASON GAME REPORTS", options.year);
  std::vector<int> order(teams.size());
  Date date{options.year, 4, 1};
  int total = 0;
  for (int day = 0; day < options.days; ++day, date = NextDay(date)) {
    int games = GamesOnDay(day);
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    for (size_t i = order.size(); i > 1; --i) {
      std::swap(order[i - 1], order[random.Below(static_cast<int>(i))]);
    }
    for (int number = 1; number <= games; ++number) {
      Team& away = teams[order[2 * number - 2]];
      Team& home = teams[order[2 * number - 1]];
      Game game = PlayGame(away, home, number, date, random);
      UpdateSeason(game);
      std::string path = options.folder + "/" + BoxscoreName(date, number);
      if (!WriteFile(path, Report(game, banner, random))) {
        std::fprintf(stderr, "gamefold-sample-season: cannot write %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return 1;
      }
      ++total;
    }
  }
  std::printf("%d boxscores over %d days written to %s\n", total, options.days,
              options.folder.c_str());
  return 0;
}

}  // namespace
}  // namespace gamefold::sample

int main(int argc, char** argv) {
  using namespace gamefold::sample;
  Options options;
  std::string problem;
  if (!ParseOptions(gamefold::platform::ProgramArguments(argc, argv), &options, &problem)) {
    std::fprintf(stderr, "gamefold-sample-season: %s\n%s", problem.c_str(), kUsage);
    return 2;
  }
  if (options.help) {
    std::printf("%s%s", kUsage, kHelp);
    return 0;
  }
  return MakeSeason(options);
}
