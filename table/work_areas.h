#pragma once
// The numbered work areas (1 to 65535) of the process, each empty or holding one open table under
// its alias, and which one is current. Every table still open when the program ends is closed and
// completed by an exit handler.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "table/dbf_table.h"

namespace tabulink {

// The name of the one table driver: DBF tables with DBT memo files.
inline constexpr std::string_view kDefaultDriver = "DBFNTX";

class WorkAreas {
 public:
  static constexpr int kMaxArea = 65535;

  // The process's work areas; the first use registers the exit handler.
  static WorkAreas& instance();

  int current() const { return current_; }
  void select(int area) { current_ = area; }  // 1..kMaxArea, empty or not

  // The table in `area`, null when the area is empty or out of range.
  DbfTable* table(int area) const;
  DbfTable* currentTable() const { return table(current_); }
  // The alias of the table in `area`; empty when the area is empty.
  const std::string& alias(int area) const;
  const std::string& driver(int area) const;
  // The area whose table has `alias` (letter case ignored); 0 when none.
  int findAlias(std::string_view alias) const;
  // The highest area number ever used; areas above it are empty.
  int highestUsed() const { return static_cast<int>(areas_.size()); }
  // The lowest-numbered empty area; 0 when every area holds a table.
  int lowestFree() const;

  // Puts an opened table into the empty `area`.
  void attach(int area, std::unique_ptr<DbfTable> table, std::string alias, std::string driver);
  // Closes the table of `area` (completing its files); the area becomes empty.
  void close(int area);
  // Closes the table of `area` without writing to its files (they are deleted next).
  void discard(int area);
  // Closes every open table, highest area first.
  void closeAll();

 private:
  struct Area {
    std::unique_ptr<DbfTable> table;
    std::string alias;
    std::string driver;
  };

  WorkAreas() = default;
  const Area* area(int number) const;
  // Empties `area` and hands out its table.
  std::unique_ptr<DbfTable> release(int number);

  std::vector<Area> areas_;  // area n at index n − 1, grown as areas are used
  int current_ = 1;
};

}  // namespace tabulink
