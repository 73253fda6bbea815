#pragma once
// The crash report offered at start-up after a run that ended through the error handler.

#include <string>

namespace tabulink {

// Offers the error log left in the current directory by an earlier run to `supportEmail` in the
// mail client's compose window, with the log and the INI file "Tabulink.ini" attached, then
// deletes the log. A support address beginning with ".F." switches the report off. Without a
// display that answers, or when the mail command fails, the log is kept for a later start and
// standard error says so in one line.
void CHECKERRLOG(const std::string& supportEmail);

// The INI text with the value of every "Password" key replaced by "*****"; every other byte kept.
std::string maskPasswords(std::string_view iniText);

}  // namespace tabulink
