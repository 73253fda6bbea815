#pragma once
// A kept error log is announced once on standard error, not at every headless start until a
// desktop start offers it: a cron job would mail the same notice every night.

#include <filesystem>

namespace tabulink {

// Whether `log` has not been announced since it was last written; remembers (in a hidden file
// beside it) that it has been now. True when nothing can be remembered.
bool firstNoticeOf(const std::filesystem::path& log);

// Forgets the announcement: the log is gone.
void forgetNoticeOf(const std::filesystem::path& log);

}  // namespace tabulink
