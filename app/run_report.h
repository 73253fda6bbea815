#pragma once
// What a verbose run ([Options] Verbose, --verbose) says on standard error of an export that went
// well, for whoever reads a cron job's mail: rows, bytes, seconds since the start, output file.

#include <string>

namespace tabulink {

// Says it when the run is verbose and nothing has been reported so far.
void reportGoodExport(long rows, const std::string& path);

}  // namespace tabulink
