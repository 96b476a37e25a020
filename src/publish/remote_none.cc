// Builds without libcurl (the Windows one) publish to a folder only.

#include "publish/remote_site.h"

namespace gamefold {

std::unique_ptr<RemoteSite> OpenNetworkSite(const Destination&, Failure* err) {
  *err = {kRemoteIoError,
          "This gamefold-batch was built without publishing over the network: publish to a "
          "file:// folder, or use the Linux build",
          ""};
  return nullptr;
}

}  // namespace gamefold
