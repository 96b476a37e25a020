// gamefold-publish-remote: the network side of gamefold-batch publish, alone linked with
// libcurl. It reads requests on its standard input and answers each on its standard output, one
// at a time, and ends when the channel closes. Not for running by hand.

#include <memory>
#include <string>
#include <vector>

#include "core/platform_console.h"
#include "publish/remote_protocol.h"
#include "publish/remote_site.h"

namespace gamefold {
namespace {

// Requests carry one file at a time; nothing we publish comes near this.
constexpr unsigned long long kLongestRequest = 1ull << 32;

bool Answer(bool ok, const Failure& failure, std::string_view extra = {}) {
  if (ok) {
    return platform::WriteStandardOutput(extra.empty() ? EncodeMessage({"ok"})
                                                       : EncodeMessage({"ok", extra}));
  }
  std::string number = std::to_string(failure.number);
  return platform::WriteStandardOutput(
      EncodeMessage({"failed", number, failure.description, failure.path}));
}

int Serve() {
  std::unique_ptr<RemoteSite> site;
  std::vector<std::string> fields;
  std::string body;
  for (;;) {
    char head[8];
    if (!platform::ReadStandardInput(head, 8)) return 0;  // the channel closed: publishing is over
    unsigned long long length = DecodeLength(head);
    if (length > kLongestRequest) return 1;
    body.resize(length);
    if (!platform::ReadStandardInput(body.data(), body.size()) || !DecodeMessage(body, &fields) ||
        fields.empty()) {
      return 1;
    }
    body = std::string();
    Failure failure;
    const std::string& request = fields[0];
    bool answered = false;
    if (request == "open" && site == nullptr) {
      Destination destination;
      if (!DestinationOfFields(fields, 1, &destination)) return 1;
      site = OpenCurlSite(destination, &failure);
      answered = Answer(site != nullptr, failure);
      if (site == nullptr) return answered ? 0 : 1;
    } else if (site == nullptr) {
      return 1;
    } else if (request == "size" && fields.size() == 2) {
      long long size = -1;
      bool ok = site->SizeOf(fields[1], &size, &failure);
      answered = Answer(ok, failure, std::to_string(size));
    } else if (request == "put" && fields.size() == 3) {
      answered = Answer(site->Put(fields[1], fields[2], &failure), failure);
    } else if (request == "sweep" && fields.size() == 1) {
      answered = Answer(site->SweepLeftovers(&failure), failure);
    } else {
      return 1;
    }
    if (!answered) return 1;
    fields.clear();
  }
}

}  // namespace
}  // namespace gamefold

int main() { return gamefold::Serve(); }
