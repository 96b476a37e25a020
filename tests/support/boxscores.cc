#include "tests/support/boxscores.h"

#include "core/text_file.h"

namespace gamefold::testing {

std::string Boxscore(std::string away, int away_runs, std::string home, int home_runs) {
  auto team_line = [](std::string name, int runs) {
    name.resize(15, ' ');
    std::string field = std::to_string(runs);
    field.insert(0, 3 - field.size(), ' ');
    return "     " + name + "  0  0  0  " + field + "  7  0";
  };
  std::string text;
  AppendLine(&text, "TEST LEAGUE REPORT");
  AppendLine(&text, std::string(20, ' ') + "  1  2  3    R  H  E");
  AppendLine(&text, team_line(std::move(away), away_runs));
  AppendLine(&text, team_line(std::move(home), home_runs));
  AppendLine(&text, "Attendance...... 30,000");
  AppendLine(&text, "\fTEST LEAGUE REPORT scoresheet");
  AppendLine(&text, "1 Smith cf   K   6-3");
  AppendLine(&text, "TEST LEAGUE REPORT log");
  AppendLine(&text, "Smith strikes out.");
  return text;
}

}  // namespace gamefold::testing
