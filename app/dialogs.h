#pragma once
// The driver's dialogs, bound to the run settings, and the report for a dialog that cannot open
// without a display.

#include <string>
#include <string_view>
#include <vector>

#include "gui/ui.h"

namespace tabulink {

// The advice of reportNoDisplay for the dialogs that an unattended run skips.
inline constexpr std::string_view kUnattendedAdvice =
    "set DSN and SQL in the configuration file for an unattended run";

// Reports through ZULERROR that `dialog` ("log-in dialog", "table list", ...) cannot open and
// what an unattended run needs instead; returns true when `outcome` was NoDisplay.
bool reportNoDisplay(DialogOutcome outcome, std::string_view dialog,
                     std::string_view advice = kUnattendedAdvice);

// The log-in dialog: data source, user and password edit the run settings; OK connects with
// OPENODBC and leaves the dialog open; returns when it is closed. Without a display it is
// reported with `advice`.
void runLoginDialog(const std::vector<std::string>& dataSources, std::string_view advice);

}  // namespace tabulink
