// Arbitrary bytes as the settings file. Checks that every line read can be applied, and that what
// the writer stores reads back as the same folders and choice.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings_file.h"
#include "fuzz/fuzz_check.h"

namespace gamefold::fuzz {

namespace {

void CheckApplicable(const std::vector<SettingsLine>& lines) {
  for (const SettingsLine& line : lines) {
    if (line.kind == SettingsLine::Kind::kContentChoice) {
      FUZZ_CHECK(ChoiceOfNumber(ChoiceNumber(line.choice)) == line.choice);
    } else if (line.kind == SettingsLine::Kind::kCharset) {
      // The name goes into every page's head: nothing in it may open or close markup, an
      // attribute or a line.
      FUZZ_CHECK(!line.charset.empty());
      FUZZ_CHECK(line.charset.find_first_of("<>\"'&= \t\r\n") == std::string::npos);
      FUZZ_CHECK(line.folder.empty());
    } else if (line.kind == SettingsLine::Kind::kSite) {
      // A switch alone: it carries no folder, no name and no choice.
      FUZZ_CHECK(line.folder.empty() && line.charset.empty() &&
                 line.choice == SettingsLine().choice);
    } else {
      FUZZ_CHECK(!line.folder.empty());
      // A folder is one line's text: it can hold no line end of the file.
      FUZZ_CHECK(line.folder.find('\n') == std::string::npos);
    }
  }
}

// Cuts the next value from the input, up to a NUL.
std::string_view FolderPart(std::string_view* rest) {
  size_t end = rest->find('\0');
  std::string_view part = rest->substr(0, end);
  *rest = end == std::string_view::npos ? std::string_view() : rest->substr(end + 1);
  return part;
}

void CheckRoundTrip(std::string_view bytes) {
  std::string_view rest = bytes;
  std::string_view input = FolderPart(&rest);
  std::string_view output = FolderPart(&rest);
  ContentChoice choice =
      kContentChoices[rest.empty() ? 0 : static_cast<unsigned char>(rest[0]) % 3];
  // An LF would end the line it is written in; a CR, even a last one, is kept by the reader,
  // which takes only the CR right before the LF as part of the line end.
  for (std::string_view text : {input, output}) {
    if (text.find('\n') != std::string_view::npos) return;
  }
  std::vector<SettingsLine> expected;
  if (!input.empty()) {
    expected.push_back({SettingsLine::Kind::kInputFolder, std::string(input)});
  }
  if (!output.empty()) {
    expected.push_back({SettingsLine::Kind::kOutputFolder, std::string(output)});
  }
  expected.push_back({SettingsLine::Kind::kContentChoice, "", choice});
  std::string content = FormatSettings(input, output, choice);
  FUZZ_CHECK(content.size() >= 2 && content.substr(content.size() - 2) == "\r\n");
  FUZZ_CHECK(ParseSettings(content) == expected);
}

}  // namespace

}  // namespace gamefold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace gamefold::fuzz;
  std::string_view bytes = AsText(data, size);
  CheckApplicable(gamefold::ParseSettings(bytes));
  // The same bytes as three values to store: input folder, NUL, output folder, NUL, choice text.
  CheckRoundTrip(bytes);
  return 0;
}
