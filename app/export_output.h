#pragma once
// The export of a result set to the output the run settings choose: the screen grid, a DBF
// table, a boxed text table, CSV or tab-delimited text.

#include <memory>
#include <string_view>

namespace tabulink {

class TDbOdbcDirect;

enum class OutputKind { Screen, Dbf, AsciiTable, Csv, DelimitedText };

// The output a `Type` value selects, by prefix in any letter case; tab-delimited text for
// anything unrecognised.
OutputKind outputKind(std::string_view type);
// Whether `type` is empty (the screen), selects an output by its beginning, or is one of the
// names of tab-delimited text (Text, Txt, Tab, TSV); anything else selects tab-delimited text too,
// but is probably a mistake.
bool knownOutputType(std::string_view type);

// Whether the export to `kind` reads the result once, in order, from its first row to its end:
// every file output does.
bool readsResultOnce(OutputKind kind);

// Delivers the whole result set to the configured output. The screen output keeps the result set
// until its grid window closes; file outputs are complete and closed when this returns.
void ZULCREAOUTPUT(const std::shared_ptr<TDbOdbcDirect>& resultSet);

// Writes every row of `resultSet` (fetching the rest first) to the file output `type` at `file`,
// as an unattended run with that Type and FileOut would, from the rows held: the statement does
// not run again. The position in the result stays.
void exportHeldRows(TDbOdbcDirect& resultSet, const std::string& type, const std::string& file);

// Reports a result without columns, which no output can hold: the table writer's argument error
// for a DBF output, an error entry for the others.
void reportNoColumns();

// The steps of a file export: the header (creates the output; its handle, or -1 when it could not
// be created), one row (the current row of the result set) and the footer.
int ZULCREAHEAD(TDbOdbcDirect& resultSet);
void ZULCREAROW(TDbOdbcDirect& resultSet, int handle);
void ZULCREAFOOT(int handle);

}  // namespace tabulink
