#pragma once
// The crash report offered at start-up after a run that ended through the error handler.

#include <string>

namespace tabulink {

// Offers the error log left by an earlier run to `supportEmail`, with the INI file attached.
void CHECKERRLOG(const std::string& supportEmail, const std::string& iniPath);

}  // namespace tabulink
