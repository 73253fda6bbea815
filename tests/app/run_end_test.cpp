// How runs end, against the real binary: a signal at a random moment of a large export, two runs
// writing one output or one error file, outputs that cannot be replaced whole or belong to
// someone else, and the ends that must never pass for a finished run (an error file that cannot
// be written, an output that cannot be opened, a file-size limit, a statement that the server
// runs on). Every run gets a temporary folder of its own, so that leftovers show.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <regex>
#include <thread>

#include "core/text.h"
#include "failure/interruption.h"
#include "odbc/todbc.h"
#include "support/command.h"
#include "support/odbc_env.h"
#include "support/odbc_sources.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace tabulink {
namespace {

using test::readFile;
using test::writeFile;
namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Under the sanitizers the program runs several times slower: a smaller table, fewer rounds.
constexpr int kBigRows = kSanitized ? 200000 : 2000000;
constexpr int kSmallRows = 5000;
constexpr int kSharedRounds = kSanitized ? 20 : 100;

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names)
    text += name + " ";
  return text;
}

// A SQLite database shared by the tests of this file, made once for the build's tests: "big" (id,
// name, and a note long enough for a memo field, set on every 1000th row) and "small", the same
// with kSmallRows rows; its data source in an odbc.ini of its own.
class RunEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string base = TABULINK_TEST_ODBC_DIR "/run-end-" + std::to_string(kBigRows);
    if (!fs::exists(base + ".db")) {
      // Made under a name of its own and renamed: test processes that run at once each make one.
      std::string made = base + "." + std::to_string(getpid()) + ".db";
      fs::remove(made);
      for (auto [table, rows] : {std::pair{"big", kBigRows}, std::pair{"small", kSmallRows}}) {
        std::string sql =
            std::string("CREATE TABLE ") + table +
            " (id INTEGER, name VARCHAR(30), note VARCHAR(300)); INSERT INTO " + table +
            " WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < " +
            std::to_string(rows) +
            ") SELECT i, 'name ' || i, CASE WHEN i % 1000 = 0 THEN 'note ' || i END FROM s;";
        ASSERT_EQ(test::commandOutput("sqlite3 '" + made + "' \"" + sql + "\""), "");
      }
      fs::rename(made, base + ".db");
    }
    // Written whole under a name of its own and renamed too: a test of another process may be
    // reading it at that moment, and must never find it empty.
    const std::string ini = base + "." + std::to_string(getpid()) + ".ini";
    writeFile(ini, test::sqliteDsn("Data", base + ".db"));
    fs::rename(ini, base + ".ini");
    odbcIni = new std::string(base + ".ini");
  }
  static void TearDownTestSuite() { delete odbcIni; }

  RunEnd() {
    fs::permissions(dir.path(), fs::perms::all);
    fs::create_directory(temp());
    fs::permissions(temp(), fs::perms::all);
  }

  std::string temp() const { return dir.file("tmp"); }

  // Writes job `name` exporting `table` to `output` of `type`.
  void job(const std::string& name, const std::string& table, const std::string& type,
           const std::string& output, const std::string& errorFile = "err.txt") {
    writeFile(dir.file(name), "[ODBC]\nDSN=Data\nSQL=SELECT id, name, note FROM " + table +
                                  "\n[Output]\nType=" + type + "\nFileOut=" + output +
                                  "\nFileErr=" + errorFile + "\n");
  }

  std::vector<std::string> env(const std::string& odbcIniFile = *odbcIni) const {
    return {"TEMP=" + temp(), "ODBCINI=" + odbcIniFile};
  }

  // Whether `output` holds the whole export of `rows` rows: every line of the text, or every
  // record of the table as GDAL's reader counts them, the last one read back.
  bool whole(const std::string& output, int rows) const {
    std::string path = dir.file(output);
    std::string last = std::to_string(rows);
    if (output.ends_with(".dbf")) {
      std::string info = test::commandOutput("ogrinfo -q -al -fid " + std::to_string(rows - 1) +
                                             " '" + path + "'; ogrinfo -so -al '" + path + "'");
      return info.find("NAME (String) = name " + last + "\n") != std::string::npos &&
             info.find("Feature Count: " + last + "\n") != std::string::npos &&
             fs::exists(dir.file(fs::path(output).replace_extension(".dbt")));
    }
    std::string text = readFile(path);
    size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    size_t lastLine = text.rfind('\n', text.size() - 2) + 1;
    std::string lastStart = last + "\tname " + last + " ";
    return lines == static_cast<size_t>(rows) + 1 && text.starts_with("id\tname\tnote\r\n") &&
           text.compare(lastLine, lastStart.size(), lastStart) == 0;
  }

  // The unfinished outputs ("<name>.XXXXXX.part" and their memo files "<name>.XXXXXX.dbt") in
  // the job's folder.
  std::vector<std::string> partials() const {
    std::vector<std::string> found;
    for (const std::string& name : namesIn(dir.path()))
      if (name.ends_with(".part") || (name.ends_with(".dbt") && name != "out.dbt"))
        found.push_back(name);
    return found;
  }

  // Runs of the big export, each sent `signal` at a random moment while it may still run: within
  // the time a whole export takes here, measured once, so that a faster program or machine still
  // meets the export under way.
  void interruptRuns(int signal, int rounds = 10) {
    job("text.ini", "big", "Text", "out.txt");
    job("dbf.ini", "big", "DBF", "out.dbf");
    static int wholeRunMs = 0;
    if (wholeRunMs == 0) {
      auto start = std::chrono::steady_clock::now();
      EXPECT_EQ(test::runTabulink(dir.path().string(), {"text.ini"}, env()).exitStatus, 0);
      wholeRunMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start)
                                        .count());
      fs::remove(dir.file("out.txt"));
    }
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delayMs(0, std::max(wholeRunMs, 200));
    int handled = 0;
    for (int round = 0; round < rounds; ++round) {
      std::string output = round % 2 == 0 ? "out.txt" : "out.dbf";
      int delay = delayMs(random);
      SCOPED_TRACE(output + " after " + std::to_string(delay) + " ms");
      test::StartedRun started = test::startTabulink(
          dir.path().string(), {round % 2 == 0 ? "text.ini" : "dbf.ini"}, env());
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      kill(started.pid, signal);
      auto sent = std::chrono::steady_clock::now();
      test::ProgramRun r = test::waitForTabulink(started);
      double ending =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();

      // Whatever the moment, the output's name holds the whole export or nothing.
      if (fs::exists(dir.file(output))) {
        EXPECT_TRUE(whole(output, kBigRows));
      }
      if (r.exitStatus == 0) {
        EXPECT_TRUE(whole(output, kBigRows)) << "finished before the signal";
      } else if (signal == SIGKILL) {
        EXPECT_EQ(r.exitStatus, 128 + SIGKILL);
        // Nothing can be done about the cache; it was the owner's alone.
        for (const std::string& name : namesIn(temp())) {
          struct stat info {};
          ASSERT_EQ(stat((temp() + "/" + name).c_str(), &info), 0);
          EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
          fs::remove(temp() + "/" + name);
        }
        for (const std::string& name : partials())
          fs::remove(dir.file(name));
      } else {
        EXPECT_EQ(r.exitStatus, 128 + signal) << r.standardError;
        if (r.signaled) {
          // Killed before the program could take the signal over: it had made nothing yet.
          EXPECT_FALSE(fs::exists(dir.file("err.txt")));
        } else {
          ++handled;
          // The run itself ended, in milliseconds, not the watcher after its grace period.
          EXPECT_LT(ending, 2.5);
          std::string errors = readFile(dir.file("err.txt"));
          EXPECT_NE(
              errors.find(" - The run was interrupted by SIG" + std::string(sigabbrev_np(signal)) +
                          " (signal " + std::to_string(signal) + ")\r\n"),
              std::string::npos)
              << errors;
        }
        EXPECT_EQ(joined(namesIn(temp())), "");
        EXPECT_EQ(joined(partials()), "");
      }
      fs::remove(dir.file(output));
      fs::remove(dir.file("out.dbt"));
      fs::remove(dir.file("err.txt"));
    }
    // On a loaded machine a random moment may fall before the handlers or after the end; a
    // third of the runs must still meet the export under way.
    if (signal != SIGKILL) {
      EXPECT_GE(handled, rounds / 3);
    }
  }

  static std::string* odbcIni;
  test::TempDir dir;
};

std::string* RunEnd::odbcIni = nullptr;

TEST_F(RunEnd, SigtermAtRandomMoments) {
  interruptRuns(SIGTERM);
}

TEST_F(RunEnd, SigintAtRandomMoments) {
  interruptRuns(SIGINT);
}

TEST_F(RunEnd, SigkillAtRandomMoments) {
  interruptRuns(SIGKILL);
}

TEST_F(RunEnd, QuitUser1AndAlarmEndTheRunInOrderToo) {
  for (int signal : {SIGQUIT, SIGUSR1, SIGALRM}) {
    SCOPED_TRACE(sigabbrev_np(signal));
    interruptRuns(signal, 4);
  }
}

TEST_F(RunEnd, TwoRunsOnOneOutput) {
  // The two runs write different results (all rows; the second half), so that an output made of
  // both shows; a DBF output and its memo file must come from the same run.
  for (int run = 1; run <= 2; ++run) {
    std::string n = std::to_string(run), table = run == 1 ? "small" : "small WHERE id > 2500";
    job("text" + n + ".ini", table, "Text", "out.txt", "err" + n + ".txt");
    job("dbf" + n + ".ini", table, "DBF", "out.dbf", "err" + n + ".txt");
  }
  // What each run writes alone, checked once: [kind][run].
  std::string reference[2][2], referenceMemo[2];
  for (int kind = 0; kind < 2; ++kind) {
    for (int run = 0; run < 2; ++run) {
      std::string name = (kind == 0 ? "text" : "dbf") + std::to_string(run + 1) + ".ini";
      test::ProgramRun r = test::runTabulink(dir.path().string(), {name}, env());
      ASSERT_EQ(r.exitStatus, 0) << r.standardError;
      reference[kind][run] = readFile(dir.file(kind == 0 ? "out.txt" : "out.dbf"));
      if (kind == 1) referenceMemo[run] = readFile(dir.file("out.dbt"));
    }
  }
  std::string dump = test::dbfreadDump(dir.file("out.dbf"));
  EXPECT_TRUE(dump.starts_with("count 2500\n2501|name 2501|None\n") &&
              dump.find("\n5000|name 5000|note 5000") != std::string::npos)
      << dump.substr(0, 200);

  for (int round = 0; round < kSharedRounds; ++round) {
    int kind = round % 2;
    std::string type = kind == 0 ? "text" : "dbf";
    std::string output = kind == 0 ? "out.txt" : "out.dbf";
    SCOPED_TRACE(output + " round " + std::to_string(round));
    test::StartedRun first =
        test::startTabulink(dir.path().string(), {type + "1.ini"}, env(), {}, ".stderr1");
    test::StartedRun second =
        test::startTabulink(dir.path().string(), {type + "2.ini"}, env(), {}, ".stderr2");
    test::ProgramRun runs[2] = {test::waitForTabulink(first), test::waitForTabulink(second)};
    for (int n = 0; n < 2; ++n) {
      // Either run may have been refused the output, but never in silence.
      std::string errors = dir.file("err" + std::to_string(n + 1) + ".txt");
      if (runs[n].exitStatus != 0) {
        EXPECT_EQ(runs[n].exitStatus, 2) << runs[n].standardError;
        EXPECT_NE(readFile(errors), "");
      }
      fs::remove(errors);
    }
    std::string written = readFile(dir.file(output));
    int from = written == reference[kind][0] ? 0 : written == reference[kind][1] ? 1 : -1;
    EXPECT_NE(from, -1) << "an output made of both runs";
    if (kind == 1 && from != -1) {
      EXPECT_EQ(readFile(dir.file("out.dbt")), referenceMemo[from]) << "memo of the other run";
    }
    EXPECT_EQ(joined(partials()), "");
    EXPECT_EQ(joined(namesIn(temp())), "");
  }
}

TEST_F(RunEnd, ReplacedOutputKeepsItsLinkAndPermissions) {
  // out.txt is a link to a file elsewhere, readable by its group only (and, for a run as root,
  // another user's): the new output replaces the file the link points to, with the same
  // permissions and owner, and the link stays a link.
  fs::create_directory(dir.file("elsewhere"));
  writeFile(dir.file("elsewhere/target.txt"), "yesterday's output");
  constexpr uid_t kNobody = 65534;
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(dir.file("elsewhere/target.txt").c_str(), kNobody, kNobody), 0);
  }
  fs::permissions(dir.file("elsewhere/target.txt"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(dir.file("elsewhere/target.txt"), dir.file("out.txt"));
  job("job.ini", "small", "Text", "out.txt");
  test::ProgramRun r = test::runTabulink(dir.path().string(), {"job.ini"}, env());
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  EXPECT_TRUE(fs::is_symlink(dir.file("out.txt")));
  EXPECT_TRUE(whole("out.txt", kSmallRows));
  EXPECT_EQ(fs::status(dir.file("elsewhere/target.txt")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  struct stat owner {};
  ASSERT_EQ(::stat(dir.file("elsewhere/target.txt").c_str(), &owner), 0);
  if (root) {
    EXPECT_EQ(owner.st_uid, kNobody);
  }
  EXPECT_EQ(joined(namesIn(dir.file("elsewhere"))), "target.txt ");
}

// Whatever an output's name leads to, the run writes a whole new file there or nothing: an output
// it cannot replace whole (its folder takes no new file from the run) and a symbolic link another
// user put into a shared folder are refused, the earlier file untouched. Run as root, the runs
// that need another user are "nobody"'s, as in the kernel's rule for such links.
TEST_F(RunEnd, OutputsThatCannotBeReplacedWholeAreRefused) {
  const bool root = ::geteuid() == 0;
  if (!root) GTEST_SKIP() << "needs root, to run as other users";
  // "nobody"'s driver manager finds the data source among the system ones only.
  fs::create_directory(dir.file("system"));
  fs::copy_file(TABULINK_TEST_ODBC_DIR "/system/odbcinst.ini", dir.file("system/odbcinst.ini"));
  writeFile(dir.file("system/odbc.ini"), readFile(*odbcIni));
  std::vector<std::string> environment = env();
  environment.push_back("ODBCSYSINI=" + dir.file("system"));
  const std::string asNobody =
      "exec setpriv --reuid=65534 --regid=65534 --clear-groups \"$0\" \"$@\"";
  auto owned = [](const std::string& path, uid_t user) {
    ASSERT_EQ(::lchown(path.c_str(), user, user), 0) << path;
  };
  // A folder "nobody" may not add files to, holding "nobody"'s outputs; a sticky folder anyone
  // may write, holding links of "nobody" (65534) and of "daemon" (1) to root's file, and
  // "nobody"'s link to the folder above.
  fs::create_directory(dir.file("locked"));
  fs::create_directory(dir.file("shared"));
  fs::permissions(dir.file("shared"), fs::perms::all | fs::perms::sticky_bit);
  writeFile(dir.file("root.txt"), "root's file");
  fs::create_symlink(dir.file("root.txt"), dir.file("shared/nobody.txt"));
  owned(dir.file("shared/nobody.txt"), 65534);
  fs::create_symlink(dir.file("root.txt"), dir.file("shared/daemon.txt"));
  owned(dir.file("shared/daemon.txt"), 1);
  fs::create_symlink("../out.txt", dir.file("shared/root.txt"));
  fs::create_symlink("..", dir.file("shared/up"));
  owned(dir.file("shared/up"), 65534);
  struct Case {
    std::string output, type, setUp, refusal;
  };
  const std::string notAdded = "was not written: the run may not add files to locked,";
  auto notFollowed = [](const std::string& link) {
    return "was not written: the symbolic link " + link +
           " is another user's, in the shared folder shared.";
  };
  const Case cases[] = {{"locked/out.txt", "Text", asNobody, notAdded},
                        {"locked/out.dbf", "DBF", asNobody, notAdded},
                        {"shared/nobody.txt", "Text", "", notFollowed("shared/nobody.txt")},
                        {"shared/daemon.txt", "Text", asNobody, notFollowed("shared/daemon.txt")},
                        {"shared/up/root.txt", "Text", "", notFollowed("shared/up")},
                        {"shared/root.txt", "Text", asNobody, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    for (const char* file : {"locked/out.txt", "locked/out.dbf", "out.txt"}) {
      writeFile(dir.file(file), "yesterday's output");
      owned(dir.file(file), 65534);
    }
    job("job.ini", "small", c.type, c.output);
    fs::permissions(dir.file("locked"), fs::perms::owner_all | fs::perms::group_read |
                                            fs::perms::group_exec | fs::perms::others_read |
                                            fs::perms::others_exec);
    test::ProgramRun r = test::runTabulink(dir.path().string(), {"job.ini"}, environment, c.setUp);
    fs::permissions(dir.file("locked"), fs::perms::all);
    const std::string errors = readFile(dir.file("err.txt"));
    fs::remove(dir.file("err.txt"));
    if (c.refusal.empty()) {
      // The link of the folder's owner is followed: the file it points to gets the export.
      EXPECT_EQ(r.exitStatus, 0) << r.standardError << errors;
      EXPECT_TRUE(whole("out.txt", kSmallRows));
      continue;
    }
    EXPECT_EQ(r.exitStatus, 2) << r.standardError;
    EXPECT_NE(errors.find(c.refusal), std::string::npos) << errors;
    EXPECT_EQ(readFile(dir.file("root.txt")), "root's file");
    EXPECT_EQ(readFile(dir.file("locked/out.txt")) + readFile(dir.file("locked/out.dbf")),
              "yesterday's outputyesterday's output");
    EXPECT_TRUE(fs::is_symlink(dir.file("shared/nobody.txt")));
    EXPECT_EQ(joined(namesIn(dir.file("locked"))), "out.dbf out.txt ");
    EXPECT_EQ(joined(namesIn(dir.file("shared"))), "daemon.txt nobody.txt root.txt up ");
    EXPECT_EQ(joined(namesIn(temp())), "");
  }
  // The error file's name is followed alike: the entries go to standard error instead.
  writeFile(dir.file("job.ini"),
            "[ODBC]\nDSN=Nowhere\nSQL=SELECT 1\n[Output]\nFileErr=shared/nobody.txt\n");
  test::ProgramRun r = test::runTabulink(dir.path().string(), {"job.ini"}, environment);
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_TRUE(r.standardError.starts_with(
      "Tabulink: the error file shared/nobody.txt could not be written (Permission denied)"))
      << r.standardError;
  EXPECT_EQ(readFile(dir.file("root.txt")), "root's file");
}

// The process's own descriptors are written as the shell opened them: a ">>" keeps what the file
// held, for the output and for the error file; a table cannot go there.
TEST_F(RunEnd, OwnDescriptorsAreAppendedTo) {
  job("job.ini", "small", "Text", "out.txt");
  ASSERT_EQ(test::runTabulink(dir.path().string(), {"job.ini"}, env()).exitStatus, 0);
  const std::string exported = readFile(dir.file("out.txt"));
  const std::string earlier = "earlier line\r\n\x01 no end of line";
  writeFile(dir.file("app.log"), earlier);
  job("job.ini", "small", "Text", "/dev/stdout");
  test::ProgramRun r =
      test::runTabulink(dir.path().string(), {"job.ini"}, env(), "exec >> app.log");
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  EXPECT_EQ(readFile(dir.file("app.log")), earlier + exported);

  writeFile(dir.file("job.ini"),
            "[ODBC]\nDSN=Nowhere\nSQL=SELECT 1\n[Output]\nType=Text\n"
            "FileErr=/dev/stderr\n");
  r = test::runTabulink(dir.path().string(), {"job.ini"}, env(), "exec 2>> app.log");
  EXPECT_EQ(r.exitStatus, 2);
  const std::string log = readFile(dir.file("app.log"));
  EXPECT_TRUE(log.starts_with(earlier + exported) &&
              log.ends_with(" - Invalid DSN Entry: Nowhere\r\n") &&
              log.size() == earlier.size() + exported.size() + 52)
      << log.substr(earlier.size() + exported.size());

  for (const char* output : {"/dev/stdout", "/dev/fd/1", "/dev/null"}) {
    job("job.ini", "small", "DBF", output);
    r = test::runTabulink(dir.path().string(), {"job.ini"}, env(), "exec >> app.log");
    EXPECT_EQ(r.exitStatus, 2) << output;
    EXPECT_NE(readFile(dir.file("err.txt"))
                  .find(" was not written: a table and its memo file "
                        "cannot go to a device, a pipe or a descriptor"),
              std::string::npos)
        << readFile(dir.file("err.txt"));
    EXPECT_FALSE(fs::exists(std::string(output) + ".dbf")) << output;
    fs::remove(dir.file("err.txt"));
  }
  EXPECT_EQ(readFile(dir.file("app.log")), log);
  EXPECT_EQ(joined(namesIn(temp())), "");
}

// Runs that share one error file each add their entries whole, and none loses another's.
TEST_F(RunEnd, RunsSharingAnErrorFile) {
  constexpr int kRounds = kSanitized ? 10 : 50;
  for (const char* n : {"1", "2"})
    writeFile(dir.file(std::string("job") + n + ".ini"),
              std::string("[ODBC]\nDSN=Nowhere") + n +
                  "\nSQL=SELECT 1\n[Output]\nType=Text\nFileErr=shared.txt\n");
  for (int round = 0; round < kRounds; ++round) {
    test::StartedRun first =
        test::startTabulink(dir.path().string(), {"job1.ini"}, env(), {}, ".stderr1");
    test::StartedRun second =
        test::startTabulink(dir.path().string(), {"job2.ini"}, env(), {}, ".stderr2");
    EXPECT_EQ(test::waitForTabulink(first).exitStatus, 2);
    EXPECT_EQ(test::waitForTabulink(second).exitStatus, 2);
  }
  const std::string text = readFile(dir.file("shared.txt"));
  const std::regex entry(
      R"(\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d - Invalid DSN Entry: Nowhere(1|2)\r\n)");
  int counts[3] = {};
  auto entries = std::sregex_iterator(text.begin(), text.end(), entry);
  size_t covered = 0;
  for (auto it = entries; it != std::sregex_iterator(); ++it) {
    EXPECT_EQ(static_cast<size_t>(it->position()), covered) << text.substr(covered, 200);
    covered = static_cast<size_t>(it->position() + it->length());
    ++counts[(*it)[1].str()[0] - '0'];
  }
  EXPECT_EQ(covered, text.size());
  EXPECT_EQ(counts[1], kRounds);
  EXPECT_EQ(counts[2], kRounds);
}

TEST_F(RunEnd, ErrorFileThatCannotBeWritten) {
  // A missing folder, a folder, a full device: the entries go to standard error with the reason.
  const std::pair<std::string, std::string> cases[] = {
      {"missing/err.txt", "No such file or directory"},
      {"tmp", "Is a directory"},
      {"/dev/full", "No space left on device"}};
  for (const auto& [file, reason] : cases) {
    writeFile(dir.file("job.ini"),
              "[ODBC]\nDSN=Nowhere\nSQL=SELECT 1\n[Output]\nType=Text\nFileErr=" + file + "\n");
    test::ProgramRun r = test::runTabulink(dir.path().string(), {"job.ini"}, env());
    EXPECT_EQ(r.exitStatus, 2) << file;
    std::string why = "Tabulink: the error file " + file + " could not be written (" + reason +
                      "); its entries follow.\n";
    EXPECT_TRUE(r.standardError.starts_with(why)) << r.standardError;
    EXPECT_TRUE(r.standardError.ends_with(" - Invalid DSN Entry: Nowhere\r\n")) << r.standardError;
  }
}

TEST_F(RunEnd, UmaskThatLeavesNewFilesReadOnly) {
  // Only an unprivileged user is refused a file it may not write; root runs the program as
  // "nobody".
  std::string setUp = "umask 0277";
  if (geteuid() == 0)
    setUp += "\nexec setpriv --reuid=65534 --regid=65534 --clear-groups \"$0\" \"$@\"";
  // The driver manager takes a user odbc.ini it cannot write for none at all.
  std::string ini = dir.file("odbc.ini");
  fs::copy_file(*odbcIni, ini);
  fs::permissions(ini, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                           fs::perms::group_write | fs::perms::others_read |
                           fs::perms::others_write);
  // The cache is the owner's (0600) whatever the umask says, so a text export works.
  job("text.ini", "small", "Text", "out.txt");
  test::ProgramRun r = test::runTabulink(dir.path().string(), {"text.ini"}, env(ini), setUp);
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  EXPECT_TRUE(whole("out.txt", kSmallRows));
  // The new DBF output cannot be opened again after its creation: reported, not a silent 0.
  job("dbf.ini", "small", "DBF", "out.dbf");
  r = test::runTabulink(dir.path().string(), {"dbf.ini"}, env(ini), setUp);
  EXPECT_EQ(r.exitStatus, 2) << r.standardError;
  EXPECT_NE(readFile(dir.file("err.txt")).find(" - Error opening the dbf output file: out.dbf\r\n"),
            std::string::npos)
      << readFile(dir.file("err.txt"));
  EXPECT_FALSE(fs::exists(dir.file("out.dbf")));
  EXPECT_EQ(joined(partials()), "");
  EXPECT_EQ(joined(namesIn(temp())), "");
}

TEST_F(RunEnd, ReaderOfTheOutputPipeGoneIsAWriteError) {
  job("job.ini", "small", "Text", "/dev/stdout");
  // `true` reads nothing and ends: the export's writes meet a pipe without a reader.
  test::ProgramRun r = test::runTabulink(dir.path().string(), {"job.ini"}, env(),
                                         "{ \"$0\" \"$@\"; echo $? > status; } | true\nexit 0");
  EXPECT_EQ(readFile(dir.file("status")), "2\n") << r.standardError;
  EXPECT_NE(readFile(dir.file("err.txt"))
                .find(" - Error writing the ascii output file: " + std::string(8, ' ') +
                      "32 (Broken pipe)\r\n"),
            std::string::npos)
      << readFile(dir.file("err.txt"));
  EXPECT_EQ(joined(namesIn(temp())), "");
}

TEST_F(RunEnd, FileSizeLimitEndsTheRunWithoutLeftovers) {
  // Writing past the limit fails like a full disk (SIGXFSZ does not end the program). A file
  // export keeps no cache, so the output fails: the table writer's error ends the run through the
  // run-time error handler; a text output's is collected, as is that of the file where the boxed
  // table holds its rows until it knows how wide the notes are. None leaves a file.
  for (const char* type : {"DBF", "Text", "AsciiTable"}) {
    const bool table = type[0] == 'D';
    fs::remove(dir.file("err.txt"));
    job("job.ini", "big", type, std::string("out.") + (table ? "dbf" : "txt"));
    test::ProgramRun r =
        test::runTabulink(dir.path().string(), {"job.ini"}, env(), "ulimit -f 2048");
    EXPECT_EQ(r.exitStatus, table ? 1 : 2) << type << r.standardError;
    const std::string said = table ? r.standardError : readFile(dir.file("err.txt"));
    EXPECT_NE(said.find(table ? "Write error" : "Error writing the ascii output file:         27"),
              std::string::npos)
        << said;
    EXPECT_EQ(joined(namesIn(temp())), "") << type;
    EXPECT_FALSE(fs::exists(dir.file("out.dbf")));
    EXPECT_FALSE(fs::exists(dir.file("out.txt")));
  }
}

// A crash at a random moment of the big export (the signals a fault or an abort raises, sent from
// outside): the process still dies of that signal, but its cache and unfinished output are gone
// and "Error.log" names the signal for the next start's crash report.
TEST_F(RunEnd, CrashLeavesItsReportAndNoFiles) {
  job("text.ini", "big", "Text", "out.txt");
  job("dbf.ini", "big", "DBF", "out.dbf");
  // The signals come at random moments within the first half of the time a whole export of each
  // output takes here, so that nearly all of them meet a run under way however fast the machine
  // is, and however busy.
  std::mt19937 random(std::random_device{}());
  auto delaysFor = [&](const char* ini, const char* output) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(test::runTabulink(dir.path().string(), {ini}, env()).exitStatus, 0);
    const long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    for (const char* name : {output, "out.dbt"})
      fs::remove(dir.file(name));
    return std::uniform_int_distribution<long>(ms / 5, ms / 2);
  };
  std::uniform_int_distribution<long> textDelayMs = delaysFor("text.ini", "out.txt");
  std::uniform_int_distribution<long> tableDelayMs = delaysFor("dbf.ini", "out.dbf");
  int reported = 0;
  int round = 0;
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSEGV}) {
    const bool table = round++ % 2 == 1;
    const std::string output = table ? "out.dbf" : "out.txt";
    SCOPED_TRACE(output + " " + sigabbrev_np(signal));
    // No core file: the crash is the test's own.
    test::StartedRun started = test::startTabulink(
        dir.path().string(), {table ? "dbf.ini" : "text.ini"}, env(), "ulimit -c 0");
    std::this_thread::sleep_for(
        std::chrono::milliseconds(table ? tableDelayMs(random) : textDelayMs(random)));
    kill(started.pid, signal);
    test::ProgramRun r = test::waitForTabulink(started);
    if (r.exitStatus == 0) {
      EXPECT_TRUE(whole(output, kBigRows)) << "finished before the signal";
    } else {
      // A sanitizer's handler, which the report hands over to, ends the process itself.
      if (!kSanitized || r.signaled) {
        EXPECT_TRUE(r.signaled);
        EXPECT_EQ(r.exitStatus, 128 + signal) << r.standardError;
      }
      EXPECT_FALSE(fs::exists(dir.file(output)));
      const std::string log = readFile(dir.file("Error.log"));
      if (!log.empty()) {
        ++reported;
        EXPECT_NE(log.find("   Error description: Fatal signal SIG" +
                           std::string(sigabbrev_np(signal)) + " ("),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find("\r\nStack Calls\r\n===========\r\n"), std::string::npos) << log;
        EXPECT_TRUE(log.ends_with("\x1A"));
      }
    }
    EXPECT_EQ(joined(namesIn(temp())), "");
    EXPECT_EQ(joined(partials()), "");
    for (const char* name : {"out.txt", "out.dbf", "out.dbt", "err.txt", "Error.log"})
      fs::remove(dir.file(name));
  }
  EXPECT_GE(reported, 4);
}

// A statement that keeps the server busy: the signal cancels it, so that the run ends at once, in
// order, and no query of ours runs on in the server after the client has gone.
TEST(RunEndInTheDriver, SignalWhileAStatementRunsCancelsIt) {
  test::TempDir dir;
  fs::create_directory(dir.file("tmp"));
  TOdbc activity(test::kPgAnsi.dsn, test::kPgAnsi.user, test::kPgAnsi.password, false);
  ASSERT_TRUE(activity.lSuccess());
  for (const test::DataSource& source : {test::kPgAnsi, test::kPgUnicode}) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
      SCOPED_TRACE(std::string(source.label) + " " + sigabbrev_np(signal));
      const std::string marker = "pause_" + std::to_string(getpid()) + "_" + std::to_string(signal);
      writeFile(dir.file("job.ini"),
                std::string("[ODBC]\nDSN=") + source.dsn +
                    "\nUser=tabulink\nPassword=tabulink\n"
                    "SQL=SELECT pg_sleep(30) AS " +
                    marker + "\n[Output]\nType=Text\nFileOut=out.txt\nFileErr=err.txt\n");
      test::StartedRun started =
          test::startTabulink(dir.path().string(), {"job.ini"}, {"TEMP=" + dir.file("tmp")});
      auto running = [&] {
        return std::string(trimRight(CVALTOCHAR(activity.QueryData(
            "SELECT count(*) FROM pg_stat_activity WHERE state = 'active' AND pid <> "
            "pg_backend_pid() AND query LIKE '%" +
            marker + "%'"))));
      };
      // Sent once the server runs the statement.
      for (int i = 0; i < 100 && running() == "0"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      auto start = std::chrono::steady_clock::now();
      kill(started.pid, signal);
      test::ProgramRun r = test::waitForTabulink(started);
      double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      EXPECT_EQ(r.exitStatus, 128 + signal) << r.standardError;
      EXPECT_LT(seconds, 2);  // not the three seconds after which the watcher ends the process
      EXPECT_EQ(running(), "0");
      EXPECT_NE(readFile(dir.file("err.txt"))
                    .find(" - The run was interrupted by " + signalName(signal) + " (signal "),
                std::string::npos);
      EXPECT_FALSE(fs::exists(dir.file("out.txt")));
      EXPECT_TRUE(fs::is_empty(dir.file("tmp")));
      fs::remove(dir.file("err.txt"));
    }
  }
  EXPECT_FALSE(activity.IsError());
}

// Rows that end in a failed fetch (the server fails the statement after some rows were sent) are
// reported and leave no output that passes for the result.
TEST(RunEndInTheDriver, RowsEndingInAnErrorLeaveNoOutput) {
  test::TempDir dir;
  fs::create_directory(dir.file("tmp"));
  for (const char* type : {"Text", "DBF"}) {
    writeFile(dir.file("job.ini"),
              std::string("[ODBC]\nDSN=TestPgAnsi\nUser=tabulink\nPassword=tabulink\n"
                          "SQL=SELECT i, 1 / (i - 1500) AS q FROM generate_series(1, 3000) i\n"
                          "[Output]\nType=") +
                  type + "\nFileOut=out\nFileErr=err.txt\n");
    test::ProgramRun r =
        test::runTabulink(dir.path().string(), {"job.ini"}, {"TEMP=" + dir.file("tmp")});
    EXPECT_EQ(r.exitStatus, 2) << type << r.standardError;
    const std::string errors = readFile(dir.file("err.txt"));
    EXPECT_NE(errors.find("division by zero"), std::string::npos) << errors;
    EXPECT_NE(errors.find(" rows: the output out was not written.\r\n"), std::string::npos)
        << errors;
    EXPECT_EQ(joined(namesIn(dir.path())), "err.txt job.ini tmp ") << type;
    EXPECT_TRUE(fs::is_empty(dir.file("tmp")));
  }
  // A file in a memory file system under /dev is an output like any other: the earlier one stays.
  if (!fs::is_directory("/dev/shm")) return;
  const std::string shm = "/dev/shm/" + dir.path().filename().string() + ".txt";
  writeFile(shm, "yesterday's output");
  writeFile(dir.file("job.ini"),
            "[ODBC]\nDSN=TestPgAnsi\nUser=tabulink\nPassword=tabulink\n"
            "SQL=SELECT i, 1 / (i - 1500) AS q FROM generate_series(1, 3000) i\n"
            "[Output]\nType=Text\nFileOut=" +
                shm + "\nFileErr=err.txt\n");
  test::ProgramRun r =
      test::runTabulink(dir.path().string(), {"job.ini"}, {"TEMP=" + dir.file("tmp")});
  EXPECT_EQ(r.exitStatus, 2) << r.standardError;
  EXPECT_EQ(readFile(shm), "yesterday's output");
  fs::remove(shm);
  EXPECT_TRUE(fs::is_empty(dir.file("tmp")));
}

}  // namespace
}  // namespace tabulink
