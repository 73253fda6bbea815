#pragma once
// The network-error flag: set by the error handler when a table open or an append lock failed
// because another process holds the file, so the code that raised the error can tell.

namespace tabulink {

bool NETERR();
// Sets the flag; openers clear it before they try, so it always speaks of the last attempt.
void NETERR(bool value);

}  // namespace tabulink
