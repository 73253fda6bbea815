#include "failure/error_report.h"

#include <algorithm>
#include <charconv>

#include "core/date.h"
#include "core/text.h"
#include "core/value.h"
#include "failure/report_sources.h"
#include "failure/system_facts.h"

namespace tabulink {
namespace {

constexpr int kMaxWorkArea = 255;
constexpr size_t kMaxOrders = 15;
constexpr int kMaxRelation = 8;
constexpr uint64_t kMiB = 1024 * 1024;

// The classes the program defines, numbered in this order under "Classes in use:".
constexpr std::string_view kProgramClasses[] = {"TOdbc", "TDbOdbcDirect", "TIni", "TMail"};

// Builds the report line by line; every line ends with CR LF.
class ReportText {
 public:
  ReportText& line(std::string_view text = {}) {
    text_.append(text).append("\r\n");
    return *this;
  }
  // Lines already ended.
  ReportText& lines(std::string_view text) {
    text_.append(text);
    return *this;
  }
  std::string take() { return std::move(text_); }

 private:
  std::string text_;
};

std::string number(long long value) {
  return std::to_string(value);
}

std::string flag(bool value) {
  return value ? ".T." : ".F.";
}

char typeLetter(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Text:
      return 'C';
    case Value::Kind::Number:
      return 'N';
    case Value::Kind::Date:
      return 'D';
    case Value::Kind::Logical:
      return 'L';
    case Value::Kind::Absent:
      break;
  }
  return 'U';
}

void application(ReportText& out, const RunError& error) {
  out.lines(applicationHeading());
  char time[kTimeFromStartBytes];
  out.line(std::string_view(time, writeTimeFromStart(secondsSinceStart(), time)));
  out.line("   Error occurred at: " + dateTimeStamp(", "));
  out.line("   Error description: " + ERRORMESSAGE(error));
  if (error.ARGS.empty()) return;
  out.line("   Args:");
  for (size_t i = 0; i < error.ARGS.size(); ++i) {
    const Value& arg = error.ARGS[i];
    out.line("     [" + padLeft(number(static_cast<long long>(i + 1)), 4) +
             "] = " + typeLetter(arg) + "   " + CVALTOCHAR(arg));
  }
}

void system(ReportText& out) {
  ProcessorInfo cpu = processorInfo();
  out.line().line("System").line("======");
  out.line("   CPU type: " + cpu.name + " " + number(cpu.mhz) + " Mhz");
  out.line("   Hardware memory: " + number(static_cast<long long>(physicalMemory() / kMiB + 1)) +
           " megs");
  out.line();
  // The three resource pools of the original platform do not exist here; they always read 0.
  out.line("   Free System resources: 0 %");
  out.line(
      "        GDI    resources: 0 % (Linux has no such pool; the display server holds "
      "the drawing resources)");
  out.line("        User   resources: 0 %");
  out.line();
  out.line("   Compiler version: " + compilerVersion());
  out.line("   Windows version: " + systemVersionText() + " (" + systemDescription() + ")");
  out.line();
  // Distinct titles in window order.
  std::vector<std::string> titles;
  for (std::string& title : topLevelWindowTitles()) {
    if (std::find(titles.begin(), titles.end(), title) == titles.end())
      titles.push_back(std::move(title));
  }
  out.line("   Windows total applications running: " +
           number(static_cast<long long>(titles.size())));
  for (size_t i = 0; i < titles.size(); ++i)
    out.line("    " + padLeft(number(static_cast<long long>(i + 1)), 3) + " " + titles[i]);
}

void variables(ReportText& out, const std::vector<StackFrame>& stack) {
  out.line().line("Variables in use").line("================");
  out.line("   Procedure     Type   Value").line("   ==========================");
  // The parameters and locals of compiled routines cannot be seen at run time: names only.
  for (const StackFrame& frame : stack)
    out.line("   " + frame.routine);
}

void linkedDrivers(ReportText& out) {
  out.line().line("Linked RDDs").line("===========");
  for (const std::string& name : linkedTableDrivers())
    out.line("   " + name);
}

void workArea(ReportText& out, const WorkAreaInfo& area) {
  out.line();
  out.line(padLeft(number(area.area), 3) + ": " + (area.current ? "=> " : "   ") +
           padRight(area.alias, 15) + std::string(20, ' ') + "RddName: " + area.rddName);
  out.line("     ==============================");
  out.line("     RecNo    RecCount    BOF   EOF");
  out.line("    " + pictureNumber(area.recNo, "99999") + std::string(6, ' ') +
           pictureNumber(area.recCount, "99999") + std::string(6, ' ') + flag(area.bof) + "   " +
           flag(area.eof));
  out.line();
  out.line("     Indexes in use " + std::string(23, ' ') + "TagName");
  for (size_t i = 0; i < area.orders.size() && i < kMaxOrders; ++i) {
    const IndexOrderInfo& order = area.orders[i];
    if (order.key.empty()) continue;
    out.line(std::string(8, ' ') + (order.controlling ? "=> " : "   ") + padRight(order.key, 35) +
             order.name);
  }
  out.line().line("     Relations in use");
  for (const RelationInfo& relation : area.relations) {
    if (relation.number < 1 || relation.number > kMaxRelation) continue;
    out.line(std::string(8, ' ') + padLeft(number(relation.number), 10) + ": TO " +
             relation.expression + " INTO " + relation.childAlias);
  }
}

void databases(ReportText& out) {
  out.line().line("DataBases in use").line("================");
  std::vector<WorkAreaInfo> areas = openWorkAreas();
  std::stable_sort(areas.begin(), areas.end(),
                   [](const WorkAreaInfo& a, const WorkAreaInfo& b) { return a.area < b.area; });
  for (const WorkAreaInfo& area : areas) {
    if (area.area >= 1 && area.area <= kMaxWorkArea && !area.alias.empty()) workArea(out, area);
  }
}

void classes(ReportText& out) {
  out.line().line("Classes in use:").line("===============");
  long long n = 0;
  for (std::string_view name : kProgramClasses)
    out.line("   " + padLeft(number(++n), 3) + " " + std::string(name));
}

void memory(ReportText& out) {
  HeapUse heap = heapUse();
  out.line().line("Memory Analysis").line("===============");
  out.line("      " + number(staticVariableCount()) + " Static variables");
  out.line();
  out.line("   Dynamic memory consume:");
  out.line("      Actual  Value: " + padLeft(number(static_cast<long long>(heap.current)), 10) +
           " bytes");
  out.line("      Highest Value: " + padLeft(number(static_cast<long long>(heap.highest)), 10) +
           " bytes");
}

}  // namespace

ErrorReport buildErrorReport(const RunError& error, const std::vector<StackFrame>& stack) {
  ErrorReport report;
  ReportText out;
  application(out, error);
  out.line().line("Stack Calls").line("===========");
  for (const StackFrame& frame : stack) {
    report.stackLines.push_back("   Called from " + std::string(trimRight(frame.routine)) + "(" +
                                number(frame.line) + ")");
    out.line(report.stackLines.back());
  }
  system(out);
  variables(out, stack);
  linkedDrivers(out);
  databases(out);
  classes(out);
  memory(out);
  report.text = out.take();
  return report;
}

std::string applicationHeading() {
  const uint64_t size = programSize();
  return ReportText()
      .line("Application")
      .line("===========")
      .line("   Path and name: " + programPath().string() + " (" + number(sizeof(void*) * 8) +
            " bits)")
      .line("   Size: " + pictureNumber(static_cast<long long>(size), sizePicture(size)) + " bytes")
      .take();
}

size_t writeTimeFromStart(long seconds, char (&out)[kTimeFromStartBytes]) {
  char* at = out;
  char* const end = out + kTimeFromStartBytes;
  auto text = [&](std::string_view part) { at = std::copy(part.begin(), part.end(), at); };
  auto count = [&](long value) { at = std::to_chars(at, end, value).ptr; };
  text("   Time from start: ");
  count(seconds / 3600);
  text(" hours ");
  count(seconds / 60 % 60);
  text(" mins ");
  count(seconds % 60);
  text(" secs ");
  return static_cast<size_t>(at - out);
}

std::string pictureNumber(long long value, std::string_view picture) {
  size_t places = static_cast<size_t>(std::count(picture.begin(), picture.end(), '9'));
  std::string digits = number(value);
  if (digits.size() > places) return std::string(picture.size(), '*');
  digits.insert(0, places - digits.size(), ' ');
  std::string out;
  size_t next = 0;
  for (char place : picture) {
    if (place == '9') {
      out += digits[next++];
    } else {
      // A separator shows only after a digit; before the first digit it is a blank.
      bool afterDigit = !out.empty() && out.back() >= '0' && out.back() <= '9';
      out += afterDigit ? place : ' ';
    }
  }
  return out;
}

std::string sizePicture(uint64_t size) {
  size_t places = std::max<size_t>(7, std::to_string(size).size());
  std::string picture;
  for (size_t i = 0; i < places; ++i) {
    if (i > 0 && (places - i) % 3 == 0) picture += ',';
    picture += '9';
  }
  return picture;
}

}  // namespace tabulink
