#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/failure.h"
#include "publish/publish.h"

namespace gamefold {

/// Classic runtime error numbers for what goes wrong on the way to the web host.
inline constexpr int kRemoteIoError = 57;       // Device I/O error
inline constexpr int kRemoteRefusedError = 70;  // Permission denied

/// The destination folder as publish uses it.
class RemoteSite {
 public:
  virtual ~RemoteSite() = default;
  /// Sets *size to the size of the file name in the folder, or to -1 when there is none.
  [[nodiscard]] virtual bool SizeOf(const std::string& name, long long* size, Failure* err) = 0;
  /// Sends content under a temporary name, then renames it over name; makes the folder when
  /// missing.
  [[nodiscard]] virtual bool Put(const std::string& name, std::string_view content,
                                 Failure* err) = 0;
  /// Removes the temporaries that an earlier run cut short left in the folder, and puts back a
  /// page it had moved aside; touches no other name.
  [[nodiscard]] virtual bool SweepLeftovers(Failure*) { return true; }
};

/// A site reached over the network (sftp, ftp, ftps); null with the reason when it cannot be.
/// Relayed to gamefold-publish-remote where the build publishes over the network.
std::unique_ptr<RemoteSite> OpenNetworkSite(const Destination& destination, Failure* err);
/// The same reached through libcurl, in gamefold-publish-remote.
std::unique_ptr<RemoteSite> OpenCurlSite(const Destination& destination, Failure* err);

/// The temporary name that a file is sent under before it is renamed into place: hidden, and
/// with this process's id and a count in it, so that it is never a name of the site owner's.
std::string UploadNameOf(std::string_view name);
/// The name that a file's old copy steps aside to while its new copy is renamed into place.
std::string AsideNameOf(std::string_view name);
/// For a name that UploadNameOf or AsideNameOf made, the file's name and whether it is an old
/// copy set aside; false for any other name.
[[nodiscard]] bool IsLeftoverName(std::string_view leftover, std::string* name, bool* aside);

}  // namespace gamefold
