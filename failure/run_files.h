#pragma once
// The files a run makes for itself and must not leave behind when it ends early: cache tables,
// removed at every end, and outputs still under their temporary names, removed when the run is
// interrupted and kept (under those names) when a run-time error ends it.

#include <mutex>
#include <string>

namespace tabulink {

enum class RunFileKind { Scratch, UnfinishedOutput };

// Held while a file is created and tracked, or renamed and untracked, so that a removal of the
// tracked files never falls between the two.
std::unique_lock<std::recursive_timed_mutex> lockRunFiles();

void trackRunFile(const std::string& path, RunFileKind kind);
// Forgets `path` (deleted, or renamed into place).
void untrackRunFile(const std::string& path);

// Removes every tracked scratch file, and the unfinished outputs too when `outputsToo`.
void removeRunFiles(bool outputsToo);

// The same from a handler of a fatal signal: async-signal-safe, no lock taken; it goes by the
// files tracked when the last change of the tracking was complete.
void removeRunFilesFromSignalHandler(bool outputsToo);

// The same for the end of the process from another thread while the run may still be working:
// waits a moment for the tracking, then removes everything and keeps the tracking locked, so the
// run makes no further file before the process ends.
void removeRunFilesForGood();

}  // namespace tabulink
