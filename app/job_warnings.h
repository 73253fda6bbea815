#pragma once
// Warnings about a job description that reads without error but probably not as meant: a key or
// section the program does not read, an output type it does not know. One line each on standard
// error; they change nothing else (the exit status among it).

#include <string>
#include <string_view>

#include "app/config/ini_document.h"

namespace tabulink {

// Every section and key of `ini` (read from `file`) that the program does not read.
void warnAboutUnknownKeys(const IniDocument& ini, const std::string& file);

// A `type` (as written) that names no output type and so selects tab-delimited text.
void warnAboutUnknownType(std::string_view type);

}  // namespace tabulink
