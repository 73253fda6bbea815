#pragma once
// Measurements of the open grid window for the grid benchmark, read off the real widgets: the
// benchmark reaches the desktop through `Ui` and these, never through Qt itself.

namespace tabulink::qt {

// Whether a grid window is open.
bool gridOpen();
// Milliseconds to paint the open grid's visible rows (into a pixmap: an offscreen window is never
// exposed, so a repaint would paint nothing).
double paintGridMs();
// Scrolls the open grid to its last row, or back to its first.
void scrollGrid(bool toLast);
// Selects the first `rows` rows and copies them as Ctrl+C does; returns the number of columns.
int copyGridRows(int rows);
// Closes the open grid as its close box does.
void closeGrid();

}  // namespace tabulink::qt
