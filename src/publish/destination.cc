// The destination URL and the names of files on their way to or aside on the remote side: what
// a destination is, kept apart from which files go there and what was last sent.

#include <algorithm>
#include <string>

#include "core/platform_processes.h"
#include "core/text.h"
#include "publish/publish.h"
#include "publish/remote_site.h"

namespace gamefold {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// %XX decoded; false on a broken escape or on a control byte, which no remote name may hold.
bool DecodePercent(std::string_view text, std::string* decoded) {
  decoded->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return false;
      int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return false;
      c = static_cast<char>(high * 16 + low);
      i += 2;
    }
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    decoded->push_back(c);
  }
  return true;
}

bool IsServerText(std::string_view server) {
  if (server.empty()) return false;
  for (char c : server) {
    bool ok = IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
              c == '-' || c == ':' || c == '[' || c == ']';
    if (!ok) return false;
  }
  return true;
}

bool ParseFileDestination(std::string_view rest, Destination* destination, std::string* problem) {
  if (rest.starts_with("localhost/")) rest.remove_prefix(9);
  if (!rest.starts_with("/") || !DecodePercent(rest, &destination->folder)) {
    *problem = "a file: destination needs a folder such as file:///var/www/league/";
    return false;
  }
  // file:///C:/web/ names a Windows drive's folder C:/web/.
  std::string& folder = destination->folder;
  if (folder.size() >= 4 && folder[2] == ':' && folder[3] == '/' && IsAsciiLetter(folder[1])) {
    folder.erase(0, 1);
  }
  return true;
}

constexpr std::string_view kLeftoverMark = ".gamefold-";
constexpr std::string_view kUploadEnd = ".part";
constexpr std::string_view kAsideEnd = ".old";

// ".NAME.gamefold-PID-N" + end: the process id and a count of this run keep two runs' names
// apart, and the whole pattern keeps a name of the site owner's out of any sweep.
std::string TemporaryNameOf(std::string_view name, std::string_view end) {
  static unsigned long count = 0;
  // Appended piece by piece: g++ 12 at -O3 warns of a false overlap in "." + std::string.
  std::string temporary = ".";
  temporary.append(name).append(kLeftoverMark);
  temporary.append(std::to_string(platform::CurrentProcessId())).append("-");
  temporary.append(std::to_string(++count)).append(end);
  return temporary;
}

}  // namespace

std::string UploadNameOf(std::string_view name) { return TemporaryNameOf(name, kUploadEnd); }

std::string AsideNameOf(std::string_view name) { return TemporaryNameOf(name, kAsideEnd); }

bool IsLeftoverName(std::string_view leftover, std::string* name, bool* aside) {
  if (leftover.ends_with(kUploadEnd)) {
    *aside = false;
    leftover.remove_suffix(kUploadEnd.size());
  } else if (leftover.ends_with(kAsideEnd)) {
    *aside = true;
    leftover.remove_suffix(kAsideEnd.size());
  } else {
    return false;
  }
  // Back from the end: "-N", then "-PID", then ".gamefold".
  size_t dash = leftover.rfind('-');
  if (dash == std::string_view::npos || !IsDigits(leftover.substr(dash + 1))) return false;
  leftover = leftover.substr(0, dash);
  dash = leftover.rfind('-');
  if (dash == std::string_view::npos || !IsDigits(leftover.substr(dash + 1))) return false;
  leftover = leftover.substr(0, dash + 1);
  if (!leftover.starts_with('.') || !leftover.ends_with(kLeftoverMark) ||
      leftover.size() <= kLeftoverMark.size() + 1) {
    return false;
  }
  *name = std::string(leftover.substr(1, leftover.size() - 1 - kLeftoverMark.size()));
  return true;
}

std::string MaskedUrl(std::string_view url) {
  size_t start = url.find("://");
  if (start == std::string_view::npos) return std::string(url);
  start += 3;
  size_t end = std::min(url.find('/', start), url.size());
  size_t at = url.substr(0, end).rfind('@');
  if (at == std::string_view::npos || at < start) return std::string(url);
  // The password begins at the user's first colon, whether written plainly or as %3A.
  std::string_view user = url.substr(start, at - start);
  size_t colon = user.find(':');
  for (size_t i = 0; i + 2 < user.size() && i < colon; ++i) {
    if (user[i] == '%' && user[i + 1] == '3' && (user[i + 2] == 'A' || user[i + 2] == 'a')) {
      colon = i;
      break;
    }
  }
  if (colon == std::string_view::npos) return std::string(url);
  return std::string(url.substr(0, start + colon)) + ":***" + std::string(url.substr(at));
}

bool ParseDestination(std::string_view text, Destination* destination, std::string* problem) {
  *destination = Destination();
  size_t colon = text.find("://");
  std::string scheme(text.substr(0, colon == std::string_view::npos ? 0 : colon));
  for (char& c : scheme) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (scheme == "sftp") {
    destination->scheme = Destination::Scheme::kSftp;
  } else if (scheme == "ftp") {
    destination->scheme = Destination::Scheme::kFtp;
  } else if (scheme == "ftps") {
    destination->scheme = Destination::Scheme::kFtps;
  } else if (scheme == "file") {
    destination->scheme = Destination::Scheme::kFile;
  } else {
    *problem = "DESTINATION must begin with sftp://, ftps://, ftp:// or file://";
    return false;
  }
  std::string_view rest = text.substr(colon + 3);
  bool parsed = true;
  if (destination->scheme == Destination::Scheme::kFile) {
    parsed = ParseFileDestination(rest, destination, problem);
  } else {
    size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    std::string_view path = slash == std::string_view::npos ? "/" : rest.substr(slash);
    size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
      std::string_view user = authority.substr(0, at);
      // Never echo it: the text after the colon is a password, also when written as %3A.
      parsed = DecodePercent(user, &destination->user) && !destination->user.empty();
      if (user.find(':') != std::string_view::npos ||
          destination->user.find(':') != std::string::npos) {
        *problem = "DESTINATION must not hold a password: put it in ~/.netrc or in " +
                   std::string(kPasswordVariable);
        return false;
      }
      authority.remove_prefix(at + 1);
    }
    destination->server = std::string(authority);
    parsed = parsed && IsServerText(authority) && DecodePercent(path, &destination->folder);
    if (!parsed) *problem = "DESTINATION is not a URL such as sftp://user@host/folder/";
  }
  if (!parsed) return false;
  if (!destination->folder.ends_with('/')) destination->folder += '/';
  destination->url = MaskedUrl(text);
  if (!destination->url.ends_with('/')) destination->url += '/';
  return true;
}

}  // namespace gamefold
