// The network side of publish runs in gamefold-publish-remote, the one program linked with
// libcurl: every other command of gamefold-batch then starts without mapping the libraries of
// SSH and TLS. This side starts it and relays each request over a channel.

#include <cstdlib>
#include <string>
#include <vector>

#include "core/platform_errors.h"
#include "core/platform_files.h"
#include "core/platform_processes.h"
#include "core/text.h"
#include "publish/remote_protocol.h"
#include "publish/remote_site.h"

namespace gamefold {

namespace {

// No answer of the helper is near this; a longer one is not the helper speaking.
constexpr unsigned long long kLongestAnswer = 1 << 20;

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Where the helper is: where the environment says, else beside this program (the build tree,
// or a folder unpacked by hand), else where the package installs it.
std::string HelperPath() {
  const char* named = std::getenv(std::string(kPublishRemoteVariable).c_str());
  if (named != nullptr && *named != '\0') return named;
  std::string beside = FolderOf(platform::ProgramPath());
  if (!beside.empty()) {
    beside += kPublishRemoteProgram;
    if (platform::KindOfPath(beside) == platform::EntryKind::kRegular) return beside;
  }
  return std::string(GAMEFOLD_LIBEXEC_DIR "/") + std::string(kPublishRemoteProgram);
}

class PipeSite : public RemoteSite {
 public:
  PipeSite(const Destination& destination, std::string helper)
      : destination_(destination), helper_(std::move(helper)) {}

  bool Open(Failure* err) {
    int errnum = 0;
    if (!child_.Start(helper_, &errnum)) {
      std::string why = errnum == ENOENT ? "it is not there" : platform::ErrorText(errnum);
      *err = {kRemoteIoError,
              "Cannot publish to " + destination_.url + ": cannot start " + helper_ +
                  ", which sends over the network (" + why +
                  "): reinstall gamefold, or name it in " + std::string(kPublishRemoteVariable),
              helper_};
      return false;
    }
    std::vector<std::string> fields = DestinationFields(destination_);
    std::vector<std::string_view> request = {"open"};
    request.insert(request.end(), fields.begin(), fields.end());
    return Call(request, nullptr, err);
  }

  bool SizeOf(const std::string& name, long long* size, Failure* err) override {
    std::vector<std::string> answer;
    if (!Call({"size", name}, &answer, err)) return false;
    if (answer.size() != 2 || !ParseSize(answer[1], size)) return Broken(err);
    return true;
  }

  bool Put(const std::string& name, std::string_view content, Failure* err) override {
    return Call({"put", name, content}, nullptr, err);
  }

  bool SweepLeftovers(Failure* err) override { return Call({"sweep"}, nullptr, err); }

 private:
  static bool ParseSize(const std::string& text, long long* size) {
    if (text == "-1") {
      *size = -1;
      return true;
    }
    if (text.empty() || text.size() > 18 || !IsDigits(text)) return false;
    *size = std::stoll(text);
    return true;
  }

  // Sends a request and reads its answer: true on "ok" (its fields in *answer where given), false
  // with the helper's failure, or with one saying that the helper failed.
  bool Call(const std::vector<std::string_view>& request, std::vector<std::string>* answer,
            Failure* err) {
    if (broken_) return Broken(err);
    int errnum = 0;
    char head[8];
    std::vector<std::string> fields;
    std::string body;
    if (!child_.Send(EncodeMessage(request), &errnum) || !child_.Receive(head, 8, &errnum)) {
      return Broken(err);
    }
    unsigned long long length = DecodeLength(head);
    if (length > kLongestAnswer) return Broken(err);
    body.resize(length);
    if (!child_.Receive(body.data(), body.size(), &errnum) || !DecodeMessage(body, &fields)) {
      return Broken(err);
    }
    if (!fields.empty() && fields[0] == "ok") {
      if (answer != nullptr) *answer = std::move(fields);
      return true;
    }
    if (fields.size() != 4 || fields[0] != "failed" || fields[1].empty() || fields[1].size() > 9 ||
        !IsDigits(fields[1])) {
      return Broken(err);
    }
    *err = {std::stoi(fields[1]), fields[2], fields[3]};
    return false;
  }

  bool Broken(Failure* err) {
    broken_ = true;
    *err = {kRemoteIoError,
            "Cannot publish to " + destination_.url + ": " + helper_ +
                ", which sends over the network, stopped or answered out of turn",
            helper_};
    return false;
  }

  Destination destination_;
  std::string helper_;
  platform::ChildProcess child_;
  bool broken_ = false;
};

}  // namespace

std::unique_ptr<RemoteSite> OpenNetworkSite(const Destination& destination, Failure* err) {
  auto site = std::make_unique<PipeSite>(destination, HelperPath());
  if (!site->Open(err)) return nullptr;
  return site;
}

}  // namespace gamefold
