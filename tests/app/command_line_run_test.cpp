// The real binary as cron runs it (env -i: nothing but the ODBC files named): the job described by
// options alone, by an INI file alone and by both; the CSV it writes read back by Python's csv
// module and by GDAL; what a failed connection says on both drivers.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>

#include "support/odbc_env.h"
#include "support/temp_dir.h"

namespace tabulink {
namespace {

using test::readFile;
using test::writeFile;

struct CronRun {
  int exitStatus = -1;
  std::string out;
  std::string err;
};

class CommandLineRun : public ::testing::Test {
 protected:
  CommandLineRun() {
    writeFile(dir.file("odbc.ini"), test::sqliteDsn("Sales", dir.file("s.db")) +
                                        readFile(TABULINK_TEST_ODBC_DIR "/odbc.ini") +
                                        "\n[PgDown]\nDriver=PostgreSQL Unicode\nServername="
                                        "127.0.0.1\nPort=1\nDatabase=tabulink\n"
                                        "[SalesGone]\nDriver=SQLite3\nDatabase=" +
                                        dir.file("no/such/folder/s.db") + "\n");
  }

  // `arguments` as a shell writes them; `input` is the standard input.
  CronRun cron(const std::string& arguments, const std::string& input = "",
               const std::string& env = "") {
    writeFile(dir.file("stdin"), input);
    const std::string command =
        "cd '" + dir.path().string() + "' && env -i ODBCINI=" + dir.file("odbc.ini") +
        " ODBCSYSINI=" TABULINK_TEST_ODBC_DIR "/system ASAN_OPTIONS=detect_leaks=0 " + env +
        " " TABULINK_BINARY_DIR "/tabulink " + arguments + " <stdin >stdout 2>stderr";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir.file("stdout")),
            readFile(dir.file("stderr"))};
  }
  // The rows of a CSV file as Python's csv module reads them, one line each, fields joined by |
  // with CR and LF written as \r and \n.
  std::string pythonRows(const std::string& file) {
    const std::string script = dir.file("read.py");
    writeFile(
        script,
        "import csv, sys\n"
        "for row in csv.reader(open(sys.argv[1], newline='', encoding='utf-8')):\n"
        "    print('|'.join(f.replace('\\r', '\\\\r').replace('\\n', '\\\\n') for f in row))\n");
    const std::string command =
        "/usr/bin/python3 " + script + " " + dir.file(file) + " >" + dir.file("rows");
    EXPECT_EQ(std::system(command.c_str()), 0);
    return readFile(dir.file("rows"));
  }

  test::TempDir dir;
};

TEST_F(CommandLineRun, HelpVersionAndMistakes) {
  // Also with a display named: the answer comes before any window could open.
  for (const char* help : {"--help", "-h"}) {
    CronRun r = cron(help, "", "DISPLAY=:97");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_TRUE(r.out.starts_with("Runs one SQL statement")) << r.out;
    EXPECT_NE(r.out.find("--password-file FILE"), std::string::npos);
    EXPECT_EQ(r.err, "");
  }
  CronRun version = cron("--version");
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.out, "tabulink 2.1\n");
  CronRun wrong = cron("--dns Sales");
  EXPECT_EQ(wrong.exitStatus, 2);
  EXPECT_NE(wrong.err.find("--dns"), std::string::npos) << wrong.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("--help.ini")));
  // An output named as the error file (a DBF's memo file too) would replace the entries there.
  for (const char* clash :
       {"--type csv -o e.txt --errors ./e.txt", "--type dbf -o e --errors e.dbt"}) {
    const std::string errors = std::string(clash).ends_with("dbt") ? "e.dbt" : "e.txt";
    writeFile(dir.file(errors), "earlier entry\n");
    CronRun same = cron(std::string("--dsn Sales --sql 'SELECT 1' ") + clash);
    EXPECT_EQ(same.exitStatus, 2) << clash;
    const std::string kept = readFile(dir.file(errors));
    EXPECT_TRUE(kept.starts_with("earlier entry\n")) << kept;
    EXPECT_NE(kept.find("is also the error file"), std::string::npos) << kept;
    EXPECT_FALSE(std::filesystem::exists(dir.file("e.dbf")));
  }
}

TEST_F(CommandLineRun, OptionsIniAndBothWriteTheSameCsv) {
  const std::string made =
      "CREATE TABLE t (id integer, name text, amount numeric(9,2));"
      "INSERT INTO t VALUES (1, 'a,b', 1.5), (2, 'so they say \"hi\" here', NULL),"
      "(3, 'one' || char(13, 10) || 'two', 2.25), (4, 'tab' || char(9) || 'x', -3),"
      "(5, '', 4), (6, NULL, 5), (7, 'Zürich ✓', 6)";
  ASSERT_EQ(cron("--dsn Sales --sql-file - --errors err.txt", made).exitStatus, 0)
      << readFile(dir.file("err.txt"));
  const std::string select = "SELECT id, name, amount FROM t ORDER BY id";

  // Options alone, the statement from standard input; a good run says nothing unless asked.
  CronRun options = cron("--dsn Sales --sql-file - --type csv -o options.csv --dec-char ,", select);
  EXPECT_EQ(options.exitStatus, 0);
  EXPECT_EQ(options.err, "");
  const std::string csv = readFile(dir.file("options.csv"));
  EXPECT_EQ(csv,
            "id,name,amount\r\n1,\"a,b\",\"1,50\"\r\n2,\"so they say \"\"hi\"\" here\",\r\n"
            "3,\"one\r\ntwo\",\"2,25\"\r\n4,tab\tx,\"-3,00\"\r\n5,\"\",\"4,00\"\r\n6,,\"5,00\"\r\n"
            "7,Zürich ✓,\"6,00\"\r\n");
  EXPECT_EQ(pythonRows("options.csv"),
            "id|name|amount\n1|a,b|1,50\n2|so they say \"hi\" "
            "here|\n3|one\\r\\ntwo|2,25\n4|tab\tx|-3,00\n"
            "5||4,00\n6||5,00\n7|Zürich ✓|6,00\n");

  // An INI file alone, read from standard input, with a key and a type it does not know: one
  // warning each, and the run is as good as before.
  const std::string ini = "[ODBC]\nDSN=Sales\nSQL=" + select +
                          "\n[Output]\nType=CSV\nFileOut=ini.csv\nOutputFile=x.csv\n"
                          "[Options]\nVerbose=.T.\n";
  CronRun fromIni = cron("-", ini);
  EXPECT_EQ(fromIni.exitStatus, 0);
  EXPECT_TRUE(
      std::regex_match(fromIni.err, std::regex("tabulink: /dev/stdin: unknown key OutputFile= in "
                                               "\\[Output\\], not read\ntabulink: 7 rows, [0-9]+ "
                                               "bytes, [0-9.]+ seconds: ini.csv\n")))
      << fromIni.err;
  const std::string dotted = readFile(dir.file("ini.csv"));
  EXPECT_NE(dotted.find("\r\n1,\"a,b\",1.50\r\n"), std::string::npos) << dotted;

  // Both: the options win over the file's keys; a type that names nothing is warned about.
  writeFile(dir.file("job.ini"),
            "[ODBC]\nDSN=Nothing\nSQL=SELECT 1\n[Output]\nType=Scren\n"
            "FileOut=job.txt\n");
  CronRun both = cron("job.ini --dsn Sales --sql \"" + select + "\" -o both.txt");
  EXPECT_EQ(both.exitStatus, 0);
  EXPECT_EQ(both.err,
            "tabulink: Type=Scren names no output type (Screen, DBF, AsciiTable, CSV, Text): "
            "tab-delimited text is written\n");
  EXPECT_TRUE(readFile(dir.file("both.txt")).starts_with("id\tname\tamount\r\n"));
  CronRun asCsv = cron("job.ini --dsn Sales --sql \"" + select + "\" --type csv -o both.csv");
  EXPECT_EQ(asCsv.err, "");
  EXPECT_EQ(readFile(dir.file("both.csv")), dotted);
  EXPECT_FALSE(std::filesystem::exists(dir.file("job.txt")));

  // GDAL reads the same values (it writes the CR LF inside a value as LF); an empty text and
  // NULL are both empty for it.
  const std::string geojson = dir.file("out.json");
  ASSERT_EQ(std::system(("ogr2ogr -f GeoJSON " + geojson + " -oo AUTODETECT_TYPE=NO " +
                         dir.file("both.csv") + " 2>/dev/null")
                            .c_str()),
            0);
  const std::string features = readFile(geojson);
  for (const char* value :
       {"\"name\": \"a,b\"", "\"name\": \"so they say \\\"hi\\\" here\"", "\"name\": \"one\\ntwo\"",
        "\"name\": \"tab\\tx\"", "\"name\": \"Zürich ✓\"", "\"amount\": \"-3.00\""})
    EXPECT_NE(features.find(value), std::string::npos) << value << "\n" << features;

  // A statement without a table runs without an alert.
  CronRun noTable = cron(
      "--dsn Sales --sql \"SELECT count(*) AS n, date('now') AS t\" --type "
      "csv -o /dev/stdout");
  EXPECT_EQ(noTable.exitStatus, 0);
  EXPECT_EQ(noTable.err, "");
  EXPECT_TRUE(noTable.out.starts_with("n,t\r\n1,")) << noTable.out;
}

TEST_F(CommandLineRun, IniNamesAsTheyWorkedAndTheDbfCodePage) {
  const std::string ini = "[ODBC]\nDSN=Sales\nSQL=SELECT 'Zürich' AS city\n[Output]\nType=DBF\n";
  // A name with a blank, unquoted: the words are joined as before.
  writeFile(dir.file("my job.ini"), ini + "FileOut=blank.dbf\n");
  EXPECT_EQ(cron("my job.ini").exitStatus, 0);
  EXPECT_EQ(readFile(dir.file("blank.cpg")), "UTF-8");
  // A descriptor is read as it is named, without ".ini" appended; another encoding is named.
  writeFile(dir.file("fd.ini"), ini + "FileOut=fd.dbf\nEncoding=ISO-8859-1\n");
  CronRun fd = cron("/dev/fd/3 3<fd.ini");
  EXPECT_EQ(fd.exitStatus, 0) << fd.err;
  EXPECT_EQ(readFile(dir.file("fd.cpg")), "ISO-8859-1");

  // GDAL reads the texts through the code page file: the UTF-8 bytes as UTF-8, and as the
  // encoding named where Encoding names another.
  auto gdal = [&](const std::string& table) {
    const std::string command = "ogrinfo -q -al " + dir.file(table) + " >" + dir.file("ogr");
    EXPECT_EQ(std::system(command.c_str()), 0);
    return readFile(dir.file("ogr"));
  };
  EXPECT_NE(gdal("blank.dbf").find("CITY (String) = Zürich\n"), std::string::npos);
  EXPECT_NE(gdal("fd.dbf").find("CITY (String) = Z\u00c3\u00bcrich\n"), std::string::npos);
  // The code page files were put in place with their tables: no temporary one is left.
  std::vector<std::string> codePages;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    if (entry.path().extension() == ".cpg") codePages.push_back(entry.path().filename());
  std::sort(codePages.begin(), codePages.end());
  EXPECT_EQ(codePages, (std::vector<std::string>{"blank.cpg", "fd.cpg"}));
}

TEST_F(CommandLineRun, AFailedConnectionSaysWhy) {
  writeFile(dir.file("wrong"), "not-the-password\n");
  writeFile(dir.file("right"), "tabulink\n");
  const std::string job = " --sql \"SELECT 1 AS one\" --type csv -o one.csv --errors err.txt";
  auto said = [&](const std::string& arguments, const std::string& env = "") {
    EXPECT_EQ(cron(arguments + job, "", env).exitStatus, 2) << arguments;
    return readFile(dir.file("err.txt"));
  };
  for (const char* pg : {"TestPgAnsi", "TestPgUnicode"}) {
    const std::string dsn = std::string("--dsn ") + pg;
    EXPECT_NE(said(dsn + " --user ann --password-file wrong")
                  .find(" - ODBC session not successfully initialized: [08001] "),
              std::string::npos);
    EXPECT_NE(readFile(dir.file("err.txt"))
                  .find("FATAL: password authentication failed for user \"ann\""),
              std::string::npos)
        << readFile(dir.file("err.txt"));
    // The password from the environment when no file names one; the file wins over it.
    EXPECT_NE(said(dsn + " --user tabulink --password-file wrong", "TABULINK_PASSWORD=tabulink")
                  .find("password authentication failed"),
              std::string::npos);
    EXPECT_EQ(cron(dsn + " --user tabulink" + job, "", "TABULINK_PASSWORD=tabulink").exitStatus, 0);
    EXPECT_EQ(cron(dsn + " --user tabulink --password-file right" + job).exitStatus, 0);
    EXPECT_EQ(readFile(dir.file("one.csv")), "one\r\n1\r\n");
  }
  EXPECT_NE(said("--dsn PgDown --user ann").find("Connection refused"), std::string::npos);
  EXPECT_NE(said("--dsn SalesGone").find("initialized: [S1000] [SQLite]connect failed"),
            std::string::npos);
  // "Sale" begins a data source's name, but the driver manager knows no source of that name.
  EXPECT_NE(said("--dsn Sale")
                .find("initialized: [IM002] [unixODBC][Driver Manager]Data source "
                      "name not found"),
            std::string::npos);
  EXPECT_NE(said("--dsn Sales --password-file missing")
                .find("The password file missing could not be read: No such file or directory"),
            std::string::npos);
  EXPECT_NE(said("--dsn Sales --password-file /tmp")
                .find("The password file /tmp could not be read: Is a directory"),
            std::string::npos);
}

}  // namespace
}  // namespace tabulink
