#include "app/live_result_sets.h"

#include <algorithm>
#include <vector>

#include "resultset/tdbodbcdirect.h"
#include "table/work_areas.h"

namespace tabulink {
namespace {

struct LiveSets {
  // Runs at program end, also after exit() from the run-time error handler.
  ~LiveSets() {
    for (const std::shared_ptr<TDbOdbcDirect>& resultSet : sets)
      resultSet->End();
  }
  std::vector<std::shared_ptr<TDbOdbcDirect>> sets;
};

LiveSets& liveSets() {
  // The work areas first: their exit handler, which closes and completes every table still open,
  // then runs after the result sets have ended, so their caches are deleted without being
  // completed first.
  WorkAreas::instance();
  static LiveSets live;
  return live;
}

}  // namespace

void keepResultSet(const std::shared_ptr<TDbOdbcDirect>& resultSet) {
  liveSets().sets.push_back(resultSet);
}

void releaseResultSet(const TDbOdbcDirect* resultSet) {
  auto& sets = liveSets().sets;
  auto it = std::find_if(sets.begin(), sets.end(),
                         [&](const auto& kept) { return kept.get() == resultSet; });
  if (it != sets.end()) sets.erase(it);
}

}  // namespace tabulink
