#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/folder_path.h"
#include "core/content_choice.h"
#include "core/failure.h"

namespace gamefold {

/// The settings file's name, in the current directory.
inline constexpr std::string_view kSettingsFileName = "DOD_box.txt";

/// One line of the settings file that can be applied to the window.
struct SettingsLine {
  enum class Kind {
    kInputFolder,    // "IPF <folder>", or a bare folder path
    kOutputFolder,   // "OPF <folder>"
    kContentChoice,  // "SEL <n> - ...", n from 1 to 3
    kCharset,        // "CHS <name>": the character set the pages declare
    kSite,           // "SITE 1": the league's site is kept with the pages
  };
  Kind kind = Kind::kInputFolder;
  std::string folder;  // the folder kinds: the path, unchanged (trailing blanks kept)
  ContentChoice choice = ContentChoice::kBoxscores;  // kContentChoice
  std::string charset = {};                          // kCharset: a name that IsCharsetName accepts
  bool operator==(const SettingsLine&) const = default;
};

/// Reads the settings file's bytes into the lines to apply, in file order. Lines of no kind, and
/// lines whose value cannot be applied (a folder line too short to hold a path, a choice that is
/// not 1, 2 or 3), are left out. A bare line is the input folder when it is an absolute path in
/// style. Whether a folder still exists is for the caller to check.
std::vector<SettingsLine> ParseSettings(std::string_view bytes,
                                       PathStyle style = NativePathStyle());

/// False for a folder whose name holds a line feed: its line would split, and the folder could
/// not be restored.
bool SavableFolder(std::string_view folder);

/// The settings file's content: the input folder, the output folder and the content choice's
/// label, three lines each ending in CR LF, then "CHS <charset>" when a character set is
/// declared and "SITE 1" when the site is kept. A folder that is not savable is left out.
std::string FormatSettings(std::string_view input_folder, std::string_view output_folder,
                           ContentChoice content_choice, std::string_view charset = {},
                           bool site = false);

/// Replaces the settings file at path with FormatSettings' content, atomically: a failure never
/// leaves a half-written or empty file behind.
[[nodiscard]] bool WriteSettingsFile(const std::string& path, std::string_view input_folder,
                                     std::string_view output_folder, ContentChoice content_choice,
                                     Failure* err, std::string_view charset = {},
                                     bool site = false);

}  // namespace gamefold
