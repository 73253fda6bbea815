#pragma once
// The screen output: a maximized grid window over the result set's cache table; closing it ends
// the result set.

#include <memory>
#include <string>

namespace tabulink {

class CacheReader;
class TDbOdbcDirect;

// The text of a grid cell: row and column (from 1) of the result set's cache table, read through
// `reader`, the one text every file output writes for the value (NULL empty).
std::string gridCellText(CacheReader& reader, long row, int column);

// Shows the result set in a grid window. The first grid window returns once the user
// has closed it; one opened while another is open returns at once and keeps its result set alive
// until it closes. Without a display the run reports that and ends the result set.
void SCREENGRID(const std::shared_ptr<TDbOdbcDirect>& resultSet);

// The rows the screen output counts: while a timer fill runs, the rows held so far (the grid
// opens at once and the fill goes on behind it); otherwise the complete result's.
long screenRowCount(TDbOdbcDirect& resultSet);

// Completes the background fill of every grid window still open, titles it with its completed
// count and shows its rows: their connection is about to end.
void completeOpenGrids();

// Shows the progress of `resultSet`'s fill in its own grid window, if one is open: the rows
// fetched so far (`row`, at most a few times a second) or, with 0, that the fill has ended.
void showGridProgress(TDbOdbcDirect& resultSet, long row);

}  // namespace tabulink
