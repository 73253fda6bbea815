#pragma once
// The command line's job keys laid over the INI file's run settings.

#include <string>

#include "app/run_settings.h"

namespace tabulink {

// Sets the keys `options` names in `s` (`decNo` is DecNo's text, not yet read as a number). The
// password comes from the password file, else from TABULINK_PASSWORD, else stays the INI
// file's. False when a named file could not be read (reported through the error collection).
bool applyJobOptions(RunSettings& s, std::string& decNo, const JobOptions& options);

}  // namespace tabulink
