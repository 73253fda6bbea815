#pragma once
// The CSV output (RFC 4180): a line of column names, then one line per row, fields separated by
// commas, lines ending in CR LF. A field holding a comma, a quote, CR or LF is enclosed in quotes
// with its quotes doubled; an empty text is "" while NULL is an empty field (as PostgreSQL's CSV
// writes them). Texts go out without their blank padding, bytes as the data source delivered them.

#include "app/export_delimited_text.h"

namespace tabulink {

class CsvExport : public SeparatedTextExport {
 public:
  CsvExport(std::string path, std::string decChar)
      : SeparatedTextExport(std::move(path), std::move(decChar), ',') {}

  void row(TDbOdbcDirect& resultSet) override;

 private:
  void appendName(LineWriter& line, std::string_view name) const override;
};

}  // namespace tabulink
