// The report in "Error.log": its sections in order, the exact lines of the parts the program
// controls, and the shapes of the lines that depend on the machine.

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "failure/call_stack.h"
#include "failure/error_report.h"
#include "handler_fixture.h"

namespace tabulink::test {
namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    out.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return out;
}

// Where `line` first stands in the report.
size_t indexOf(const std::vector<std::string>& all, const std::string& line) {
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i] == line) return i;
  ADD_FAILURE() << "missing line: " << line;
  return all.size();
}

std::vector<std::string> slice(const std::vector<std::string>& all, size_t from, size_t to) {
  return std::vector<std::string>(all.begin() + static_cast<long>(from),
                                  all.begin() + static_cast<long>(to));
}

void expectMatches(const std::string& line, const std::string& pattern) {
  EXPECT_TRUE(std::regex_match(line, std::regex(pattern))) << line << "\n  !~ " << pattern;
}

[[gnu::noinline]] int nest(int depth, const RunError& error) {
  int answer = depth == 0 ? static_cast<int>(raiseError(error)) : nest(depth - 1, error);
  asm volatile("");
  return answer;
}

using ErrorReportTest = HandlerTest;

TEST_F(ErrorReportTest, SectionsInOrderWithTheirExactLines) {
  installTableDriverSource([] { return std::vector<std::string>{"DBF", "DBFFPT", "DBFNTX"}; });
  installWindowTitleSource([] {
    return std::vector<std::string>{"Tabulink rel.2.1", "Grid", "Tabulink rel.2.1"};
  });
  installWorkAreaSource([] {
    WorkAreaInfo output{2, true, "OUTDBF", "DBFNTX", 11, 10, false, true, {}, {}};
    WorkAreaInfo cache{1, false, "TMP0001", "DBFNTX", 3, 10, false, false, {}, {}};
    cache.orders = {{"", "", false}, {"UPPER(NAME)", "BYNAME", true}};
    cache.relations = {{1, "ID", "OUTDBF"}};
    WorkAreaInfo beyond{256, false, "FAR", "DBFNTX", 1, 0, true, true, {}, {}};
    return std::vector<WorkAreaInfo>{output, cache, beyond};
  });
  RunError error = dataWidthError();
  error.ARGS = {Value("abc"), Value::number(12.5, 2), Value(true), Value()};
  ui_->errorChoices = {ErrorChoice::Default};
  raiseError(error);

  std::string log = readFile(logPath());
  ASSERT_TRUE(log.ends_with("\r\n\x1A"));
  std::vector<std::string> all = lines(log.substr(0, log.size() - 1));

  // Application.
  ASSERT_GE(all.size(), 12u);
  EXPECT_EQ(slice(all, 0, 2), (std::vector<std::string>{"Application", "==========="}));
  expectMatches(all[2], "   Path and name: /.*failure_tests \\(64 bits\\)");
  expectMatches(all[3], "   Size: *[0-9]{1,3}(,[0-9]{3})* bytes");
  expectMatches(all[4], "   Time from start: [0-9]+ hours [0-9]+ mins [0-9]+ secs ");
  expectMatches(all[5],
                "   Error occurred at: [0-9]{2}/[0-9]{2}/[0-9]{4}, [0-9]{2}:[0-9]{2}:[0-9]{2}");
  EXPECT_EQ(slice(all, 6, 12), (std::vector<std::string>{
                                   "   Error description: Error DBFNTX/1021  Data width error",
                                   "   Args:",
                                   "     [   1] = C   abc",
                                   "     [   2] = N   12.50",
                                   "     [   3] = L   .T.",
                                   "     [   4] = U   ",
                               }));

  // Stack Calls, then System.
  size_t stack = indexOf(all, "Stack Calls");
  EXPECT_EQ(stack, 13u);
  EXPECT_EQ(all[12], "");
  EXPECT_EQ(all[14], "===========");
  size_t system = indexOf(all, "System");
  ASSERT_GT(system, stack + 3);
  for (size_t i = stack + 2; i + 1 < system; ++i)
    expectMatches(all[i], "   Called from [^ ].*\\([0-9]+\\)");
  EXPECT_EQ(all[system - 1], "");
  EXPECT_EQ(all[system + 1], "======");
  expectMatches(all[system + 2], "   CPU type: .+ [0-9]+ Mhz");
  if (readFile("/proc/cpuinfo").find("model name") != std::string::npos) {
    EXPECT_FALSE(all[system + 2].starts_with("   CPU type: unknown"));
  }
  expectMatches(all[system + 3], "   Hardware memory: [1-9][0-9]* megs");
  EXPECT_EQ(slice(all, system + 4, system + 9),
            (std::vector<std::string>{"", "   Free System resources: 0 %",
                                      "        GDI    resources: 0 % (Linux has no such pool; "
                                      "the display server holds the drawing resources)",
                                      "        User   resources: 0 %", ""}));
  expectMatches(all[system + 9], "   Compiler version: .+");
  expectMatches(all[system + 10], "   Windows version: [0-9]+\\.[0-9]+, Build .* \\(Linux .+\\)");
  EXPECT_EQ(slice(all, system + 11, system + 15),
            (std::vector<std::string>{"", "   Windows total applications running: 2",
                                      "      1 Tabulink rel.2.1", "      2 Grid"}));

  // Variables in use: the routines of the stack, without parameter lines.
  size_t variables = system + 16;
  size_t calls = system - 1 - (stack + 2);
  EXPECT_EQ(slice(all, system + 15, variables + 4),
            (std::vector<std::string>{"", "Variables in use",
                                      "================", "   Procedure     Type   Value",
                                      "   =========================="}));
  for (size_t i = 0; i < calls; ++i)
    EXPECT_EQ(all[variables + 4 + i],
              "   " + all[stack + 2 + i].substr(15, all[stack + 2 + i].rfind('(') - 15));

  // Everything after the routines is fixed by the sources above.
  size_t rdds = variables + 4 + calls;
  std::vector<std::string> rest = slice(all, rdds, all.size() - 5);
  std::vector<std::string> expected = {
      "",
      "Linked RDDs",
      "===========",
      "   DBF",
      "   DBFFPT",
      "   DBFNTX",
      "",
      "DataBases in use",
      "================",
      "",
      "  1:    TMP0001                            RddName: DBFNTX",
      "     ==============================",
      "     RecNo    RecCount    BOF   EOF",
      "        3         10      .F.   .F.",
      "",
      "     Indexes in use                        TagName",
      "        => UPPER(NAME)                        BYNAME",
      "",
      "     Relations in use",
      "                 1: TO ID INTO OUTDBF",
      "",
      "  2: => OUTDBF                             RddName: DBFNTX",
      "     ==============================",
      "     RecNo    RecCount    BOF   EOF",
      "       11         10      .F.   .T.",
      "",
      "     Indexes in use                        TagName",
      "",
      "     Relations in use",
      "",
      "Classes in use:",
      "===============",
      "     1 TOdbc",
      "     2 TDbOdbcDirect",
      "     3 TIni",
      "     4 TMail",
      "",
      "Memory Analysis",
      "===============",
  };
  EXPECT_EQ(rest, expected);
  std::vector<std::string> memory = slice(all, all.size() - 5, all.size());
  expectMatches(memory[0], "      [1-9][0-9]* Static variables");
  EXPECT_EQ(memory[1], "");
  EXPECT_EQ(memory[2], "   Dynamic memory consume:");
  expectMatches(memory[3], "      Actual  Value: [ 0-9]{9}[0-9] bytes");
  expectMatches(memory[4], "      Highest Value: [ 0-9]{9}[0-9] bytes");
}

TEST_F(ErrorReportTest, NoArgsBlockWithoutArgumentsAndNoAreasWithoutSources) {
  ErrorReport report = buildErrorReport(dataWidthError(), {});
  EXPECT_EQ(report.text.find("   Args:"), std::string::npos);
  EXPECT_NE(report.text.find("\r\nStack Calls\r\n===========\r\n\r\nSystem\r\n"),
            std::string::npos);
  EXPECT_NE(report.text.find("\r\n   Windows total applications running: 0\r\n\r\n"),
            std::string::npos);
  EXPECT_NE(report.text.find("\r\nLinked RDDs\r\n===========\r\n\r\nDataBases in use\r\n"
                             "================\r\n\r\nClasses in use:\r\n"),
            std::string::npos);
  EXPECT_TRUE(report.stackLines.empty());
}

TEST_F(ErrorReportTest, StackStartsAtTheRaiserAndHoldsAtMost72Levels) {
  ui_->errorChoices = {ErrorChoice::Default};
  nest(100, dataWidthError());
  const std::vector<std::string>& stack = ui_->errorDialogs.at(0).stack;
  ASSERT_EQ(stack.size(), 72u);
  for (const std::string& line : stack)
    expectMatches(
        line, "   Called from tabulink::test::\\(anonymous namespace\\)::nest\\([1-9][0-9]*\\)");
}

TEST(RoutineName, DropsTheParameterListAndQualifiers) {
  EXPECT_EQ(routineName("ns::f(int, char const*) const"), "ns::f");
  EXPECT_EQ(routineName("ns::(anonymous namespace)::g()"), "ns::(anonymous namespace)::g");
  EXPECT_EQ(routineName("ns::X::operator()(int) &&"), "ns::X::operator()");
  EXPECT_EQ(routineName("f<std::pair<int, int> >(std::pair<int, int>)"), "f<std::pair<int, int> >");
  EXPECT_EQ(routineName("ns::h(int) [clone .constprop.0] [clone .isra.0]"), "ns::h");
  EXPECT_EQ(routineName("main"), "main");
  // Template instances carry their return type in front.
  EXPECT_EQ(routineName("ns::R std::__invoke_impl<ns::R, ns::R (*&)(int)>(std::__invoke_other, "
                        "ns::R (*&)(int))"),
            "std::__invoke_impl<ns::R, ns::R (*&)(int)>");
  EXPECT_EQ(routineName("std::enable_if<true, int>::type std::__invoke_r<int>(int)"),
            "std::__invoke_r<int>");
  EXPECT_EQ(routineName("operator new(unsigned long)"), "operator new");
  EXPECT_EQ(routineName("std::basic_ostream<char>& std::operator<< <std::char_traits<char> "
                        ">(std::basic_ostream<char>&, char const*)"),
            "std::operator<< <std::char_traits<char> >");
}

TEST(PictureNumber, RightAlignsWithSeparatorsOnlyAfterDigits) {
  EXPECT_EQ(pictureNumber(0, "9,999,999"), "        0");
  EXPECT_EQ(pictureNumber(1234, "9,999,999"), "    1,234");
  EXPECT_EQ(pictureNumber(1234567, "9,999,999"), "1,234,567");
  EXPECT_EQ(pictureNumber(12345678, "9,999,999"), "*********");
  EXPECT_EQ(pictureNumber(42, "99999"), "   42");
  EXPECT_EQ(pictureNumber(100000, "99999"), "*****");
  // A program file too large for the picture still shows its size.
  EXPECT_EQ(sizePicture(5015464), "9,999,999");
  EXPECT_EQ(sizePicture(12345678), "99,999,999");
  EXPECT_EQ(sizePicture(1234567890), "9,999,999,999");
}

}  // namespace
}  // namespace tabulink::test
