#include "app/command_line.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "app/main_sequence.h"
#include "core/process_settings.h"

namespace tabulink {
namespace {

constexpr const char* kDescription =
    "Runs one SQL statement on an ODBC data source and delivers its result to a grid window, a DBF "
    "table, a boxed text table, CSV or tab-delimited text. The job is described by an INI file, "
    "by the options below, or by both (options win).";

constexpr const char* kFooter =
    "The words that are no option form the INI file's name, joined with single blanks (a name "
    "with blanks works unquoted); \"-\" reads the INI file from standard input. Without a name "
    "and without job options the INI file is ./Tabulink.ini. Put \"--\" before a name that "
    "begins with \"-\". See tabulink(1).";

void addText(CLI::App& app, const char* name, std::optional<std::string>& key, const char* help,
             const char* typeName) {
  app.add_option_function<std::string>(
         name, [&key](const std::string& value) { key = value; }, help)
      ->type_name(typeName);
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  JobOptions& job = line.job;
  CLI::App app(kDescription, "tabulink");
  app.footer(kFooter);
  app.set_version_flag("--version", "tabulink " + std::string(kReleaseText));
  app.add_option("ini", line.iniWords, "The INI file describing the job")->type_name("INI");
  addText(app, "--dsn", job.DSN, "The ODBC data source ([ODBC] DSN)", "NAME");
  addText(app, "--user", job.User, "The user name ([ODBC] User)", "NAME");
  addText(app, "--password-file", job.passwordFile,
          "Read the password from the first line of FILE; without it TABULINK_PASSWORD is the "
          "password when set ([ODBC] Password)",
          "FILE");
  addText(app, "--sql", job.SQL, "The statement to run ([ODBC] SQL)", "TEXT");
  addText(app, "--sql-file", job.sqlFile, "Read the statement from FILE, - for standard input",
          "FILE");
  addText(app, "--type", job.Type, "Screen, DBF, AsciiTable, CSV or Text ([Output] Type)", "KIND");
  addText(app, "-o,--output", job.FileOut, "The output file ([Output] FileOut)", "FILE");
  addText(app, "--errors", job.FileErr, "Collect the run's errors in FILE ([Output] FileErr)",
          "FILE");
  addText(app, "--dec-char", job.DecChar, "The decimal character ([Output] DecChar)", "C");
  addText(app, "--dec-no", job.DecNo, "Decimals of numbers without a scale ([Output] DecNo)", "N");
  app.add_flag("--verbose", job.verbose,
               "Report a good run on standard error: rows, bytes, seconds, output file "
               "([Options] Verbose)");

  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    // --help and --version end with status 0, a mistaken command line with 2 (as getopt tools do).
    const int status = app.exit(error, std::cout, std::cerr);
    line.exitStatus = status == 0 ? 0 : 2;
  }
  return line;
}

std::optional<std::string> iniPathOf(const CommandLine& line) {
  if (line.iniWords.empty() && line.job.any()) return std::nullopt;
  std::string path = iniPathFromArguments(line.iniWords);
  return path == "-" ? std::string("/dev/stdin") : path;
}

}  // namespace tabulink
