#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/failure.h"
#include "core/game_day.h"

namespace gamefold {

/// The environment variable that holds the password of the web host, when ~/.netrc does not.
inline constexpr std::string_view kPasswordVariable = "GAMEFOLD_PUBLISH_PASSWORD";
/// The environment variable naming a file of certificates to trust for FTP over TLS, for hosts
/// with a certificate of their own making.
inline constexpr std::string_view kCaFileVariable = "GAMEFOLD_PUBLISH_CA_FILE";

/// Where publish sends the pages, read from a URL such as sftp://user@host:2222/site/.
struct Destination {
  enum class Scheme { kSftp, kFtp, kFtps, kFile };
  Scheme scheme = Scheme::kFile;
  std::string url;     // as given, ending in "/", with any password masked as "***"
  std::string user;    // decoded; empty when the URL names none
  std::string server;  // "host" or "host:port"
  std::string folder;  // the remote folder, decoded, beginning and ending with "/"
  bool allow_plain_ftp = false;  // ftp:// may log in without TLS when the server offers none
};

/// url with the password of its user part, if any, replaced by "***": what a message, report
/// or state file may repeat.
std::string MaskedUrl(std::string_view url);

/// Reads a destination URL; false with what is wrong in *problem. A password in the URL, even
/// one hidden by %XX escapes, is refused without being quoted.
[[nodiscard]] bool ParseDestination(std::string_view text, Destination* destination,
                                    std::string* problem);

/// A file of the output folder that publish leaves out, and why.
struct SkippedFile {
  std::string name;
  std::string reason;  // "a link", "not a regular file", ...
};

/// The files of output_folder that publish may send: the day pages under the names they are
/// written with ("GamesOf" + eight digits + ".htm"), the site's team pages ("Team-" + letters,
/// digits and '-' + ".htm"), then the index, the style sheet and the standings when present.
/// Other names that the pages' patterns take go to *skipped where given.
[[nodiscard]] bool PublishedFiles(const std::string& output_folder, std::vector<std::string>* names,
                                  Failure* err, std::vector<SkippedFile>* skipped = nullptr);

/// What one publish did or, with dry_run, would do; names are the files' names in the folder.
struct PublishResult {
  std::vector<std::string> sent;       // renamed into place on the destination (or to send)
  std::vector<std::string> unchanged;  // the destination already holds them
  std::vector<SkippedFile> skipped;    // never sent: links, special files, names not ours
  std::vector<Failure> failures;
};

/// Told after each file: its name, how many are done and how many are to send.
using PublishProgress = std::function<void(const std::string& name, size_t done, size_t total)>;

/// Sends each published file of output_folder whose size or content differs from what the
/// state file says was last sent to destination, or whose remote size differs; each goes to a
/// temporary remote name first and is then renamed over the old copy, and no remote file is
/// ever deleted. A file is read without following a link and only when regular; a link or a
/// special file is skipped, never sent. Holds one file's bytes at a time. Stops at the first
/// failure; the state file keeps what was sent before it.
/// With dry_run nothing is sent and the destination is not asked.
[[nodiscard]] bool Publish(const std::string& output_folder, const Destination& destination,
                           bool dry_run, const PublishProgress& progress, PublishResult* result);

}  // namespace gamefold
