#include "table/work_areas.h"

#include <cstdio>
#include <cstdlib>

#include "core/text.h"
#include "failure/error_block.h"
#include "failure/report_sources.h"

namespace tabulink {
namespace {

// Runs when the program ends by returning from main, by exit(), or through the error handler's
// quit. A failure while closing can only be reported here: a second exit() is not allowed.
void closeAllAtExit() {
  installErrorBlock([](const RunError& error) {
    std::fprintf(stderr, "%s\n", ERRORMESSAGE(error).c_str());
    return ErrorAnswer::Default;
  });
  WorkAreas::instance().closeAll();
}

// What the run-time error report lists under the open work areas and the linked drivers.
std::vector<WorkAreaInfo> describeOpenAreas() {
  const WorkAreas& areas = WorkAreas::instance();
  std::vector<WorkAreaInfo> open;
  for (int n = 1; n <= areas.highestUsed(); ++n) {
    const DbfTable* table = areas.table(n);
    if (table == nullptr) continue;
    WorkAreaInfo info;
    info.area = n;
    info.current = n == areas.current();
    info.alias = areas.alias(n);
    info.rddName = areas.driver(n);
    info.recNo = table->recNo();
    info.recCount = table->recCount();
    info.bof = table->bof();
    info.eof = table->eof();
    open.push_back(std::move(info));
  }
  return open;
}

}  // namespace

WorkAreas& WorkAreas::instance() {
  // Never destroyed, so the exit handler finds it whatever the order of static destruction.
  static WorkAreas& areas = []() -> WorkAreas& {
    auto* created = new WorkAreas;
    std::atexit(closeAllAtExit);
    installWorkAreaSource(describeOpenAreas);
    installTableDriverSource([] { return std::vector<std::string>{std::string(kDefaultDriver)}; });
    return *created;
  }();
  return areas;
}

const WorkAreas::Area* WorkAreas::area(int number) const {
  if (number < 1 || number > static_cast<int>(areas_.size())) return nullptr;
  return &areas_[static_cast<size_t>(number - 1)];
}

DbfTable* WorkAreas::table(int number) const {
  const Area* a = area(number);
  return a != nullptr ? a->table.get() : nullptr;
}

const std::string& WorkAreas::alias(int number) const {
  static const std::string kNone;
  const Area* a = area(number);
  return a != nullptr && a->table ? a->alias : kNone;
}

const std::string& WorkAreas::driver(int number) const {
  static const std::string kNone;
  const Area* a = area(number);
  return a != nullptr && a->table ? a->driver : kNone;
}

int WorkAreas::findAlias(std::string_view alias) const {
  for (size_t i = 0; i < areas_.size(); ++i)
    if (areas_[i].table && equalsNoCase(areas_[i].alias, alias)) return static_cast<int>(i + 1);
  return 0;
}

int WorkAreas::lowestFree() const {
  for (size_t i = 0; i < areas_.size(); ++i)
    if (!areas_[i].table) return static_cast<int>(i + 1);
  return areas_.size() < kMaxArea ? static_cast<int>(areas_.size() + 1) : 0;
}

void WorkAreas::attach(int number, std::unique_ptr<DbfTable> table, std::string alias,
                       std::string driver) {
  if (number < 1 || number > kMaxArea) return;
  if (static_cast<size_t>(number) > areas_.size()) areas_.resize(static_cast<size_t>(number));
  areas_[static_cast<size_t>(number - 1)] = {std::move(table), std::move(alias), std::move(driver)};
}

std::unique_ptr<DbfTable> WorkAreas::release(int number) {
  if (number < 1 || number > static_cast<int>(areas_.size())) return nullptr;
  Area& a = areas_[static_cast<size_t>(number - 1)];
  a.alias.clear();
  a.driver.clear();
  return std::move(a.table);
}

void WorkAreas::close(int number) {
  // Taken out of the area first: an error raised while closing may end the program, and the
  // exit handler must not close the same table again.
  if (std::unique_ptr<DbfTable> table = release(number)) table->close();
}

void WorkAreas::discard(int number) {
  if (std::unique_ptr<DbfTable> table = release(number)) table->discard();
}

void WorkAreas::closeAll() {
  for (size_t i = areas_.size(); i > 0; --i)
    close(static_cast<int>(i));
}

}  // namespace tabulink
