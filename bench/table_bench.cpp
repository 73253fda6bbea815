// The table layer on the cache's hot path: appending 1,000,000 records of eight fields (one of
// them a memo) and reading them back, against writing and reading the same bytes through one
// plain buffered stream.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "failure/error_block.h"
#include "table/dbcmd.h"
#include "table/dbf_table.h"
#include "table/work_areas.h"

namespace {

using namespace tabulink;
namespace fs = std::filesystem;

constexpr int kRecords = 1'000'000;

const std::vector<FieldDescription> kStructure = {
    {"ID", "N", 10, 0},     {"CUSTOMER", "C", 40, 0}, {"CITY", "C", 25, 0}, {"AMOUNT", "N", 19, 2},
    {"ORDERED", "D", 8, 0}, {"PAID", "L", 1, 0},      {"QTY", "N", 6, 0},   {"REMARK", "M", 10, 0},
};

std::string benchDir() {
  std::string pattern = (fs::temp_directory_path() / "tabulink-bench-XXXXXX").string();
  return mkdtemp(pattern.data()) != nullptr ? pattern : std::string("/tmp");
}

double seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Writes the bytes of `table` and `memo` again through one FILE stream, record by record as the
// table layer writes them, and reads them back the same way; the two times in seconds.
std::pair<double, double> plainStream(const std::string& path, const std::string& table,
                                      const std::string& memo, size_t header, size_t record) {
  ::sync();  // both writers start with no dirty pages of the other waiting to go to disk
  auto start = std::chrono::steady_clock::now();
  FILE* out = std::fopen(path.c_str(), "wb");
  std::setvbuf(out, nullptr, _IOFBF, 64 * 1024);  // the buffer size the table files use
  std::fwrite(table.data(), 1, header, out);
  size_t memoAt = 512;
  for (size_t at = header; at + record <= table.size(); at += record) {
    std::fwrite(table.data() + at, 1, record, out);
    std::fwrite(memo.data() + memoAt, 1, 512, out);
    memoAt = memoAt + 512 < memo.size() ? memoAt + 512 : 512;
  }
  std::fclose(out);
  double write = seconds(start);
  start = std::chrono::steady_clock::now();
  FILE* in = std::fopen(path.c_str(), "rb");
  std::setvbuf(in, nullptr, _IOFBF, 64 * 1024);
  std::vector<char> buffer(record + 512);
  while (std::fread(buffer.data(), 1, buffer.size(), in) == buffer.size())
    benchmark::DoNotOptimize(buffer.data());
  std::fclose(in);
  return {write, seconds(start)};
}

void BM_CacheTableAppendAndReadBack(benchmark::State& state) {
  installErrorBlock([](const RunError& error) {
    std::fprintf(stderr, "%s\n", ERRORMESSAGE(error).c_str());
    return ErrorAnswer::Default;
  });
  std::string dir = benchDir();
  std::string path = dir + "/cache.dbf";
  const std::string customers[] = {"Adler & Sons Trading", "Berger Logistik GmbH",
                                   "Cooper Industrial Supply", "Dubois et Fils"};
  const std::string cities[] = {"Hamburg", "Lyon", "Springfield", "Osaka"};
  std::string remark(300, 'r');
  double appendSeconds = 0;
  double readSeconds = 0;
  for (auto _ : state) {
    ::sync();
    auto start = std::chrono::steady_clock::now();
    DBCREATE(path, kStructure);
    DBUSEAREA(true, "", path, "CACHE");
    for (int i = 1; i <= kRecords; ++i) {
      DBAPPEND();
      FIELDPUT(1, Value::number(i));
      FIELDPUT(2, Value(customers[i % 4]));
      FIELDPUT(3, Value(cities[i % 4]));
      FIELDPUT(4, Value::number(i * 0.37, 2));
      FIELDPUT(5, Value(Date::fromYmd(2000 + i % 25, 1 + i % 12, 1 + i % 28)));
      FIELDPUT(6, Value(i % 3 == 0));
      FIELDPUT(7, Value::number(i % 1000));
      FIELDPUT(8, Value(std::string_view(remark).substr(0, 40 + i % 260)));
    }
    DBCLOSEAREA();
    appendSeconds = seconds(start);

    start = std::chrono::steady_clock::now();
    DBUSEAREA(true, "", path, "CACHE");
    int read = 0;
    for (DBGOTOP(); !DBEOF(); DBSKIP()) {
      for (int field = 1; field <= 8; ++field)
        benchmark::DoNotOptimize(FIELDGET(field));
      ++read;
    }
    DBCLOSEAREA();
    readSeconds = seconds(start);
    if (read != kRecords) state.SkipWithError("records lost");
  }

  std::string table;
  std::string memo;
  {
    FILE* in = std::fopen(path.c_str(), "rb");
    table.resize(fs::file_size(path));
    benchmark::DoNotOptimize(std::fread(table.data(), 1, table.size(), in));
    std::fclose(in);
  }
  memo.assign(1024 * 512, 'm');  // the memo blocks' bytes; their content does not matter here
  size_t header = static_cast<unsigned char>(table[8]) | static_cast<unsigned char>(table[9]) << 8;
  size_t record = static_cast<unsigned char>(table[10]) | static_cast<unsigned char>(table[11])
                                                              << 8;
  // The plain stream's times vary with the kernel's write-back; its best of three is the baseline.
  double plainWrite = 1e9;
  double plainRead = 1e9;
  for (int run = 0; run < 3; ++run) {
    auto [write, read] = plainStream(dir + "/plain.bin", table, memo, header, record);
    plainWrite = std::min(plainWrite, write);
    plainRead = std::min(plainRead, read);
  }

  state.counters["append_rec_per_s"] = kRecords / appendSeconds;
  state.counters["read_rec_per_s"] = kRecords / readSeconds;
  state.counters["append_x_plain_write"] = appendSeconds / plainWrite;
  state.counters["read_x_plain_read"] = readSeconds / plainRead;
  fs::remove_all(dir);
}
BENCHMARK(BM_CacheTableAppendAndReadBack)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
