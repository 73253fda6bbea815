#pragma once
// What the error report needs to know of the layers above this one: the open work areas, the
// linked table drivers and the titles of the program's top-level windows. Each layer installs
// its source at start-up; until then a source yields nothing.

#include <functional>
#include <string>
#include <vector>

namespace tabulink {

// One index order of a work area: its key expression and its name.
struct IndexOrderInfo {
  std::string key;
  std::string name;
  bool controlling = false;
};

// One relation from a work area to a child area.
struct RelationInfo {
  int number = 0;  // 1 to 8
  std::string expression;
  std::string childAlias;
};

// One work area that holds an open table.
struct WorkAreaInfo {
  int area = 0;
  bool current = false;
  std::string alias;
  std::string rddName;  // the table driver, e.g. "DBFNTX"
  long recNo = 0;
  long recCount = 0;
  bool bof = false;
  bool eof = false;
  std::vector<IndexOrderInfo> orders;
  std::vector<RelationInfo> relations;
};

using WorkAreaSource = std::function<std::vector<WorkAreaInfo>()>;
using NameListSource = std::function<std::vector<std::string>()>;

// Each installs a source and returns the one it replaces (an empty function yields nothing).
WorkAreaSource installWorkAreaSource(WorkAreaSource source);
NameListSource installTableDriverSource(NameListSource source);
NameListSource installWindowTitleSource(NameListSource source);

// What the installed sources yield now.
std::vector<WorkAreaInfo> openWorkAreas();
std::vector<std::string> linkedTableDrivers();
std::vector<std::string> topLevelWindowTitles();

}  // namespace tabulink
