#pragma once
// Building the connection string that New sends, and reading the data-source name back from the
// string the driver manager completed.

#include <optional>
#include <string>
#include <string_view>

namespace tabulink {

// "DSN=" + data source, then ";UID=" + user when there is one, then always ";PWD=" + password.
// Absent when a value holds ";", "{", "}" or "=": such a value could add attributes of its own
// (braces do not prevent that, as not every driver reads them), so it never goes into a
// connection string; nor does one holding "+" or "%", which psqlODBC decodes in an unbraced
// value as a URL would ("a+b%41" logs in as "a bA").
std::optional<std::string> connectionString(std::string_view dsn, std::string_view user,
                                            std::string_view password);

// The value of the first attribute of a completed connection string: the text before the first
// ";" (outside braces), after its first "="; braces of a braced value removed. A string without
// any ";" gives the empty text.
std::string firstAttributeValue(std::string_view completed);

}  // namespace tabulink
