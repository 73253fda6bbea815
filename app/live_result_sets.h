#pragma once
// The result sets alive outside the call that made them: a grid window's, and the one an export
// is working on. Whatever is still alive when the program ends (a run-time error may end it in
// the middle of an export) is ended then, so no cache table is left in the temporary folder.

#include <memory>

namespace tabulink {

class TDbOdbcDirect;

void keepResultSet(const std::shared_ptr<TDbOdbcDirect>& resultSet);
// Forgets `resultSet` (it has been ended, or its owner ends it now).
void releaseResultSet(const TDbOdbcDirect* resultSet);

// Keeps a result set for the life of the guard.
class LiveResultSet {
 public:
  explicit LiveResultSet(const std::shared_ptr<TDbOdbcDirect>& resultSet) : kept_(resultSet.get()) {
    keepResultSet(resultSet);
  }
  ~LiveResultSet() { releaseResultSet(kept_); }
  LiveResultSet(const LiveResultSet&) = delete;
  LiveResultSet& operator=(const LiveResultSet&) = delete;

 private:
  const TDbOdbcDirect* kept_;
};

}  // namespace tabulink
