#pragma once
// The shape every file output of an export shares: a header step that creates the output, one
// step per result row, a footer step, and the release of the output once the export is done.

#include <string>
#include <vector>

namespace tabulink {

class TDbOdbcDirect;

// One entry of the output field list, built from a result column's field description.
struct OutputField {
  std::string name;       // the full column name
  std::string fieldName;  // the name cut to 10 characters, blanks as "_", unique (DBF field names)
  char type = 'C';        // the column's type letter ("U" for an unclassified column)
  int length = 0;         // also the cell width of the boxed table
  int decimals = 0;
};

class ExportWriter {
 public:
  virtual ~ExportWriter() = default;

  // Creates the output and writes its header; the output handle, or -1 when the output could
  // not be created (the error is already reported).
  virtual int head(const std::vector<OutputField>& fields) = 0;
  // Writes the current row of the result set.
  virtual void row(TDbOdbcDirect& resultSet) = 0;
  virtual void foot() = 0;
  // Puts every row on disk, releases the output (so a later export can create it again) and puts
  // it in place under its name; a failure is reported.
  virtual void finish() = 0;
  // Releases and removes the output: the export was not finished. Without either call the
  // output keeps what was written under its temporary name.
  virtual void abandon() = 0;
};

}  // namespace tabulink
