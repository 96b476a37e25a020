#pragma once

// The whole platform layer: what the core asks of the operating system, one header a concern.
// Code that needs one concern includes its header; this one is for code that needs them all.
// Each header has a POSIX side (platform_posix_*.cc, what Linux alone has in platform_linux.cc)
// and a Windows side (platform_win32_*.cc); the build takes one.

#include "core/platform_clock.h"
#include "core/platform_console.h"
#include "core/platform_errors.h"
#include "core/platform_file_events.h"
#include "core/platform_files.h"
#include "core/platform_locks.h"
#include "core/platform_paths.h"
#include "core/platform_processes.h"
