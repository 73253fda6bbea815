#pragma once
// The files a run makes for itself and must not leave behind when it ends early: cache tables,
// removed at every end, and outputs still under their temporary names, removed when the run is
// interrupted and kept (under those names) when a run-time error ends it; and the names that
// messages give those temporary files.

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

// An output written for a while under `temporary`, whose own name is `finalPath`: messages name
// the output as its user gave it. Its companions (the same name with another extension, a memo
// file) are named the same way. Forgotten when the output is put in place or given up.
void nameRunFile(const std::string& temporary, const std::string& finalPath);
void forgetRunFileName(const std::string& temporary);
// The name a message gives the file `path`.
std::string shownFileName(const std::string& path);

}  // namespace tabulink
