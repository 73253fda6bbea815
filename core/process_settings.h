#pragma once
// Process-wide settings and constants shared by every layer.

#include <string_view>

namespace tabulink {

// Shown in window titles after "Tabulink rel.".
inline constexpr std::string_view kReleaseText = "2.1";

// The number of decimals given to numeric columns whose scale the data source does not give
// (the configuration's DecNo, 0..13; 2 until the configuration is loaded).
int defaultDecimals();
void setDefaultDecimals(int decimals);

// How many seconds a log-in may wait for the data source before it fails (the configuration's
// LoginTimeout; 0 waits as long as the driver does; 30 until the configuration is loaded).
int loginTimeout();
void setLoginTimeout(int seconds);

}  // namespace tabulink
