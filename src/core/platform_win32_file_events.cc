// The Windows side: wide-character calls only, so that names in any script work whatever the
// code page; the program's paths are UTF-8 and are converted at each call.
//
// Folder events: none here, a watch compares listings.

// windows.h first: the other system headers build on its types.
#include <windows.h>

#include <algorithm>

#include "core/platform_file_events.h"

namespace gamefold::platform {

const bool kHasFolderEvents = false;

struct FolderWatch::State {};

FolderWatch::FolderWatch() : state_(std::make_unique<State>()) {}

FolderWatch::~FolderWatch() = default;

bool FolderWatch::Open(const std::string&, int*) { return true; }

// No file events here: waits in short steps, so that a stop is seen soon.
bool FolderWatch::Wait(int timeout_ms, StopRequests* stop, Changes*) {
  for (int waited = 0; waited < timeout_ms && !stop->Requested(); waited += 100) {
    ::Sleep(static_cast<DWORD>(std::min(100, timeout_ms - waited)));
  }
  return !stop->Requested();
}

}  // namespace gamefold::platform
