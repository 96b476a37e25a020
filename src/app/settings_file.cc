#include "app/settings_file.h"

#include <optional>

#include "core/text.h"
#include "core/text_file.h"

namespace gamefold {

namespace {

// Every kind's value starts at character 5: three letters of key, one blank, then the value.
constexpr size_t kValueStart = 4;

// Added by hand to turn the league's site on; the window has no control for it.
constexpr std::string_view kSiteLine = "SITE 1";

// A bare line names the input folder: a drive-letter path ("C:\Boxes", its second character a
// colon) as the first versions read it on Windows, an absolute path ("/boxes") on Linux. A
// network path has no such line of its own; it is restored from an "IPF" line.
bool IsBareFolderLine(std::string_view line, PathStyle style) {
  if (style == PathStyle::kWindows && (line.size() < 2 || line[1] != ':')) return false;
  return IsAbsoluteFolder(line, style);
}

}  // namespace

std::vector<SettingsLine> ParseSettings(std::string_view bytes, PathStyle style) {
  std::vector<SettingsLine> lines;
  for (std::string_view line : SplitLines(bytes)) {
    std::string_view key = line.substr(0, 3);
    if (key == "IPF" || key == "OPF") {
      if (line.size() <= kValueStart) continue;
      SettingsLine setting;
      setting.kind =
          key == "IPF" ? SettingsLine::Kind::kInputFolder : SettingsLine::Kind::kOutputFolder;
      setting.folder = std::string(line.substr(kValueStart));
      lines.push_back(std::move(setting));
    } else if (key == "SEL") {
      // The label's number alone counts: a label of another wording still chooses.
      std::optional<ContentChoice> choice =
          ParseContentChoice(line.size() > kValueStart ? line.substr(kValueStart, 1) : "");
      if (!choice) continue;
      SettingsLine setting;
      setting.kind = SettingsLine::Kind::kContentChoice;
      setting.choice = *choice;
      lines.push_back(std::move(setting));
    } else if (key == "CHS") {
      // Written by hand, not by the window: a name that could put markup into the pages is
      // skipped like any other line that cannot be applied.
      std::string_view name = line.size() > kValueStart ? line.substr(kValueStart) : "";
      if (!IsCharsetName(name)) continue;
      SettingsLine setting;
      setting.kind = SettingsLine::Kind::kCharset;
      setting.charset = std::string(name);
      lines.push_back(std::move(setting));
    } else if (line == kSiteLine) {
      SettingsLine setting;
      setting.kind = SettingsLine::Kind::kSite;
      lines.push_back(std::move(setting));
    } else if (IsBareFolderLine(line, style)) {
      SettingsLine setting;
      setting.kind = SettingsLine::Kind::kInputFolder;
      setting.folder = std::string(line);
      lines.push_back(std::move(setting));
    }
  }
  return lines;
}

bool SavableFolder(std::string_view folder) { return folder.find('\n') == std::string_view::npos; }

std::string FormatSettings(std::string_view input_folder, std::string_view output_folder,
                           ContentChoice content_choice, std::string_view charset, bool site) {
  std::string content;
  if (SavableFolder(input_folder)) AppendLine(&content, std::string("IPF ").append(input_folder));
  if (SavableFolder(output_folder)) AppendLine(&content, std::string("OPF ").append(output_folder));
  AppendLine(&content, std::string("SEL ").append(ChoiceLabel(content_choice)));
  // Kept across saves, or the user's declaration would be lost at the next "&PROCESS".
  if (!charset.empty()) AppendLine(&content, std::string("CHS ").append(charset));
  if (site) AppendLine(&content, kSiteLine);
  return content;
}

bool WriteSettingsFile(const std::string& path, std::string_view input_folder,
                       std::string_view output_folder, ContentChoice content_choice, Failure* err,
                       std::string_view charset, bool site) {
  return WriteFileAtomically(
      path, FormatSettings(input_folder, output_folder, content_choice, charset, site), err);
}

}  // namespace gamefold
