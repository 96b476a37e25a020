// The network side of publish: libcurl speaks SFTP (through libssh2), FTP and FTP over TLS.

#include <curl/curl.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/folder_listing.h"
#include "core/platform_files.h"
#include "core/text.h"
#include "core/text_file.h"
#include "publish/remote_site.h"

namespace gamefold {

namespace {

// A connection that makes no progress for this long is taken for dropped.
constexpr long kStallSeconds = 60;
constexpr long kConnectSeconds = 30;

std::string EnvironmentValue(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  return value == nullptr ? std::string() : std::string(value);
}

// Each byte that may not stand as it is in a URL's path or user, as %XX.
std::string Encode(std::string_view text) {
  std::string encoded;
  for (unsigned char c : text) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      encoded.push_back(static_cast<char>(c));
    } else {
      encoded.append({'%', "0123456789ABCDEF"[c >> 4], "0123456789ABCDEF"[c & 15]});
    }
  }
  return encoded;
}

// A path as one argument of an SFTP quote command.
std::string Quoted(std::string_view path) {
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '\\') quoted.push_back('\\');
    quoted.push_back(c);
  }
  return quoted + "\"";
}

class CommandList {
 public:
  ~CommandList() { curl_slist_free_all(list_); }
  void Add(const std::string& command) { list_ = curl_slist_append(list_, command.c_str()); }
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

struct Upload {
  std::string_view content;
  size_t offset = 0;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* data) {
  auto* upload = static_cast<Upload*>(data);
  size_t length = std::min(size * count, upload->content.size() - upload->offset);
  std::memcpy(buffer, upload->content.data() + upload->offset, length);
  upload->offset += length;
  return length;
}

// What a size request prints (FTP's "Content-Length:" lines) is for nobody.
size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

size_t Collect(char* bytes, size_t size, size_t count, void* data) {
  static_cast<std::string*>(data)->append(bytes, size * count);
  return size * count;
}

class CurlSite : public RemoteSite {
 public:
  CurlSite(const Destination& destination, std::string home)
      : destination_(destination),
        home_(std::move(home)),
        netrc_(JoinPath(home_, ".netrc")),
        curl_(curl_easy_init()) {}
  ~CurlSite() override { curl_easy_cleanup(curl_); }
  CurlSite(const CurlSite&) = delete;
  CurlSite& operator=(const CurlSite&) = delete;

  bool ready() const { return curl_ != nullptr; }

  bool SizeOf(const std::string& name, long long* size, Failure* err) override {
    Prepare(name);
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    CURLcode code = curl_easy_perform(curl_);
    curl_off_t length = -1;
    // A missing folder (which FTP tells as a refused change of folder) holds no file either.
    if (code == CURLE_REMOTE_FILE_NOT_FOUND || code == CURLE_REMOTE_ACCESS_DENIED) {
      *size = -1;
      return true;
    }
    if (code != CURLE_OK) {
      *err = Describe(code, "cannot read the size of", name);
      return false;
    }
    curl_easy_getinfo(curl_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    *size = length;
    return true;
  }

  bool Put(const std::string& name, std::string_view content, Failure* err) override {
    std::string part = UploadNameOf(name);
    Prepare(part);
    Upload upload{content};
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl_, CURLOPT_READFUNCTION, ReadUpload);
    curl_easy_setopt(curl_, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(content.size()));
    curl_easy_setopt(curl_, CURLOPT_FTP_CREATE_MISSING_DIRS, CURLFTP_CREATE_DIR_RETRY);
    CommandList rename;
    for (const std::string& command : RenameCommands(part, name)) rename.Add(command);
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, rename.get());
    CURLcode code = curl_easy_perform(curl_);
    if (code == CURLE_QUOTE_ERROR && sftp()) return ReplaceAside(name, part, err);
    if (code != CURLE_OK) {
      *err = Describe(code, "cannot send", name);
      if (code == CURLE_QUOTE_ERROR) InFolder({RemoveCommand(part)}, nullptr);
      return false;
    }
    return true;
  }

  bool SweepLeftovers(Failure* err) override {
    std::vector<std::string> names;
    CURLcode code = InFolder({}, &names);
    // A folder not made yet holds nothing to sweep.
    if (code == CURLE_REMOTE_FILE_NOT_FOUND || code == CURLE_REMOTE_ACCESS_DENIED) return true;
    if (code != CURLE_OK) {
      *err = Describe(code, "cannot list", destination_.folder);
      return false;
    }
    std::vector<std::string> commands;
    std::set<std::string> present(names.begin(), names.end());
    for (const std::string& leftover : names) {
      std::string name;
      bool aside = false;
      if (!IsLeftoverName(leftover, &name, &aside)) continue;
      // An old copy whose page is missing is the page itself, cut off by a run that stopped
      // between the two renames: it goes back under its name.
      if (aside && !present.contains(name)) {
        for (std::string& command : RenameCommands(leftover, name)) commands.push_back(command);
        present.insert(name);
      } else {
        commands.push_back(RemoveCommand(leftover));
      }
    }
    if (commands.empty()) return true;
    code = InFolder(commands, nullptr);
    if (code != CURLE_OK) {
      *err =
          Describe(code, "cannot remove the temporaries of an earlier run in", destination_.folder);
      return false;
    }
    return true;
  }

 private:
  bool sftp() const { return destination_.scheme == Destination::Scheme::kSftp; }

  // SFTP commands name whole paths; FTP ones run in the destination folder, where the session
  // stands after the request.
  std::string PathOf(const std::string& name) const {
    return sftp() ? Quoted(destination_.folder + name) : name;
  }
  std::vector<std::string> RenameCommands(const std::string& from, const std::string& to) const {
    if (sftp()) return {"rename " + PathOf(from) + " " + PathOf(to)};
    return {"RNFR " + from, "RNTO " + to};
  }
  // A removal whose failure is not one: the file may be gone already.
  std::string RemoveCommand(const std::string& name) const {
    return (sftp() ? "*rm " : "*DELE ") + PathOf(name);
  }

  // Runs commands on the destination folder, in a request that lists the folder's names into
  // *names when that is asked for.
  CURLcode InFolder(const std::vector<std::string>& commands, std::vector<std::string>* names) {
    Prepare("");
    std::string listing;
    curl_easy_setopt(curl_, CURLOPT_DIRLISTONLY, 1L);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &listing);
    CommandList list;
    for (const std::string& command : commands) list.Add(command);
    curl_easy_setopt(curl_, sftp() ? CURLOPT_QUOTE : CURLOPT_POSTQUOTE, list.get());
    CURLcode code = curl_easy_perform(curl_);
    if (names != nullptr) {
      names->clear();
      for (std::string_view line : SplitLines(listing)) {
        if (!line.empty()) names->emplace_back(line);
      }
    }
    return code;
  }

  // Most SFTP servers rename only onto a free name. The old copy then steps aside for the new
  // one and goes: a visitor may find the page missing for that moment, never half written. When
  // the new copy cannot take the name, the old one comes back, so that the site keeps a page.
  bool ReplaceAside(const std::string& name, const std::string& part, Failure* err) {
    std::string old = AsideNameOf(name);
    CURLcode code = InFolder(RenameCommands(name, old), nullptr);
    if (code == CURLE_OK) {
      code = InFolder(RenameCommands(part, name), nullptr);
      if (code == CURLE_OK) {
        InFolder({RemoveCommand(old)}, nullptr);  // else the next run's sweep removes it
        return true;
      }
      *err = Describe(code, "cannot put in place", name);
      InFolder(RenameCommands(old, name), nullptr);  // else the next run's sweep puts it back
    } else {
      *err = Describe(code, "cannot put in place", name);
    }
    InFolder({RemoveCommand(part)}, nullptr);
    return false;
  }

  static int CheckHostKey(CURL*, const curl_khkey*, const curl_khkey*, curl_khmatch match,
                          void* data) {
    static_cast<CurlSite*>(data)->key_match_ = match;
    return match == CURLKHMATCH_OK ? CURLKHSTAT_FINE : CURLKHSTAT_REJECT;
  }

  // A fresh request on the same connection, for the file name in the destination folder.
  void Prepare(const std::string& name) {
    curl_easy_reset(curl_);
    std::string url = sftp() ? "sftp://" : "ftp://";
    std::string password = EnvironmentValue(kPasswordVariable);
    if (!destination_.user.empty() && password.empty()) url += Encode(destination_.user) + "@";
    url += destination_.server + Encode(destination_.folder + name);
    error_[0] = '\0';
    key_match_ = CURLKHMATCH_OK;
    // Signals stay on (no CURLOPT_NOSIGNAL): then libcurl ignores SIGPIPE while it works, and a
    // host that hangs up mid-write fails the run instead of killing the program.
    curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "sftp,ftp");
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, error_);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, Discard);
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, Discard);
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    if (!password.empty()) {
      curl_easy_setopt(curl_, CURLOPT_USERNAME, destination_.user.c_str());
      curl_easy_setopt(curl_, CURLOPT_PASSWORD, password.c_str());
    } else if (!home_.empty()) {
      // The very file whose permissions were checked; without HOME none was, and none is read.
      curl_easy_setopt(curl_, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
      curl_easy_setopt(curl_, CURLOPT_NETRC_FILE, netrc_.c_str());
    }
    if (sftp()) {
      PrepareSsh();
    } else {
      // The password goes in clear only where the user said it may: ftp:// asks for TLS as
      // ftps:// does, so that a server offering none, or a man in the middle stripping the
      // offer, ends the run before the login.
      bool plain = destination_.scheme == Destination::Scheme::kFtp && destination_.allow_plain_ftp;
      curl_easy_setopt(curl_, CURLOPT_USE_SSL,
                       static_cast<long>(plain ? CURLUSESSL_TRY : CURLUSESSL_ALL));
      curl_easy_setopt(curl_, CURLOPT_SERVER_RESPONSE_TIMEOUT, kStallSeconds);
      std::string ca_file = EnvironmentValue(kCaFileVariable);
      if (!ca_file.empty()) curl_easy_setopt(curl_, CURLOPT_CAINFO, ca_file.c_str());
    }
  }

  void PrepareSsh() {
    std::string ssh = JoinPath(home_, ".ssh");
    known_hosts_ = JoinPath(ssh, "known_hosts");
    curl_easy_setopt(curl_, CURLOPT_SSH_KNOWNHOSTS, known_hosts_.c_str());
    curl_easy_setopt(curl_, CURLOPT_SSH_KEYFUNCTION, CheckHostKey);
    curl_easy_setopt(curl_, CURLOPT_SSH_KEYDATA, this);
    curl_easy_setopt(curl_, CURLOPT_SSH_AUTH_TYPES,
                     CURLSSH_AUTH_PUBLICKEY | CURLSSH_AUTH_AGENT | CURLSSH_AUTH_PASSWORD |
                         CURLSSH_AUTH_KEYBOARD);
    // libcurl looks for an RSA key alone; today's keys are mostly Ed25519 or ECDSA.
    for (std::string_view key : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
      private_key_ = JoinPath(ssh, key);
      if (!FileExists(private_key_)) continue;
      curl_easy_setopt(curl_, CURLOPT_SSH_PRIVATE_KEYFILE, private_key_.c_str());
      public_key_ = private_key_ + ".pub";
      if (FileExists(public_key_)) {
        curl_easy_setopt(curl_, CURLOPT_SSH_PUBLIC_KEYFILE, public_key_.c_str());
      }
      break;
    }
  }

  // What went wrong, in words that say what to do; never a password, which no message of
  // libcurl holds either.
  Failure Describe(CURLcode code, std::string_view what, const std::string& name) const {
    const std::string& server = destination_.server;
    if (key_match_ == CURLKHMATCH_MISSING) {
      return {kRemoteRefusedError,
              "The host key of " + server + " is not in " + known_hosts_ +
                  ": nothing was sent. Check the key's fingerprint with the web host, then add "
                  "it there (ssh-keyscan prints it)",
              known_hosts_};
    }
    if (key_match_ == CURLKHMATCH_MISMATCH) {
      return {kRemoteRefusedError,
              "The host key of " + server + " differs from the one in " + known_hosts_ +
                  ": nothing was sent. Another machine may be posing as the web host",
              known_hosts_};
    }
    if (code == CURLE_LOGIN_DENIED) {
      std::string user = destination_.user.empty() ? "" : " of " + destination_.user;
      std::string key = sftp() ? "the SSH key, or " : "";
      return {kRemoteRefusedError,
              server + " refused the login" + user + ": check " + key +
                  "the password in ~/.netrc or in " + std::string(kPasswordVariable),
              ""};
    }
    if (code == CURLE_USE_SSL_FAILED) {
      return {kRemoteRefusedError,
              server +
                  " offers no TLS: nothing was sent, and the password was not. ftp:// "
                  "sends only over TLS; --allow-plain-ftp lets the password travel "
                  "unencrypted",
              ""};
    }
    std::string reason = error_[0] != '\0' ? error_ : curl_easy_strerror(code);
    return {kRemoteIoError,
            "Cannot publish to " + destination_.url + ": " + std::string(what) + " " + name + ": " +
                reason,
            name};
  }

  Destination destination_;
  std::string home_, netrc_;
  CURL* curl_;
  char error_[CURL_ERROR_SIZE] = {};
  curl_khmatch key_match_ = CURLKHMATCH_OK;
  std::string known_hosts_, private_key_, public_key_;
};

}  // namespace

std::unique_ptr<RemoteSite> OpenCurlSite(const Destination& destination, Failure* err) {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  std::string home = EnvironmentValue("HOME");
  if (destination.scheme == Destination::Scheme::kSftp && home.empty()) {
    *err = {kRemoteRefusedError, "HOME is not set: cannot find ~/.ssh/known_hosts", ""};
    return nullptr;
  }
  // As ssh refuses a private key others may read, a password file others may read is refused
  // before libcurl reads it: the password may be known already, and must be changed.
  if (EnvironmentValue(kPasswordVariable).empty() && !home.empty()) {
    std::string netrc = JoinPath(home, ".netrc");
    if (platform::OthersMayAccess(netrc)) {
      *err = {kRemoteRefusedError,
              netrc +
                  " may be read or changed by other users: nothing was sent. Make it yours "
                  "alone (chmod 600 " +
                  netrc + ") and change the password it holds",
              netrc};
      return nullptr;
    }
  }
  auto site = std::make_unique<CurlSite>(destination, home);
  if (!initialised || !site->ready()) {
    *err = {kRemoteIoError, "Cannot start libcurl", ""};
    return nullptr;
  }
  return site;
}

}  // namespace gamefold
