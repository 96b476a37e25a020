#pragma once

// Changes of a folder's entries, as the system reports them where it can.

#include <memory>
#include <string>
#include <vector>

#include "core/platform_errors.h"
#include "core/platform_processes.h"

namespace gamefold::platform {

/// True where FolderWatch reports file events (Linux); elsewhere a watch compares listings.
extern const bool kHasFolderEvents;

/// Changes of a folder's entries as the system reports them where kHasFolderEvents; elsewhere
/// it only waits.
class FolderWatch {
 public:
  /// What one wait saw.
  struct Changes {
    std::vector<std::string> names;  // entries written, moved or removed
    bool lost = false;               // the system dropped events: any entry may have changed
    bool folder_gone = false;        // the folder itself was removed or moved away
  };
  FolderWatch();
  ~FolderWatch();
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  /// Starts watching folder; false with *errnum when it cannot be watched.
  [[nodiscard]] bool Open(const std::string& folder, int* errnum);
  /// Waits up to timeout_ms for changes or a stop; false once a stop was asked for.
  [[nodiscard]] bool Wait(int timeout_ms, StopRequests* stop, Changes* changes);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace gamefold::platform
