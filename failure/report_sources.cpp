#include "failure/report_sources.h"

#include <utility>

namespace tabulink {
namespace {

// Held in a function so a source installed from another file's static initialiser finds it built.
struct Sources {
  WorkAreaSource workAreas;
  NameListSource tableDrivers;
  NameListSource windowTitles;
};

Sources& sources() {
  static Sources installed;
  return installed;
}

template <typename Result>
Result ask(const std::function<Result()>& source) {
  return source ? source() : Result();
}

}  // namespace

WorkAreaSource installWorkAreaSource(WorkAreaSource source) {
  return std::exchange(sources().workAreas, std::move(source));
}

NameListSource installTableDriverSource(NameListSource source) {
  return std::exchange(sources().tableDrivers, std::move(source));
}

NameListSource installWindowTitleSource(NameListSource source) {
  return std::exchange(sources().windowTitles, std::move(source));
}

std::vector<WorkAreaInfo> openWorkAreas() {
  return ask(sources().workAreas);
}

std::vector<std::string> linkedTableDrivers() {
  return ask(sources().tableDrivers);
}

std::vector<std::string> topLevelWindowTitles() {
  return ask(sources().windowTitles);
}

}  // namespace tabulink
