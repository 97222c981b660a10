// The event-log section over 10,000 and 100,000 synthesized records through the platform
// seam: time per section, read calls per 1,000 records and message-module loads.
#include <benchmark/benchmark.h>

#include "sender/basNTEventLog.h"
#include "tests/support/FakeEventLog.h"

namespace {

using zq::testing::FakeEventLog;

// A log of `count` records from 20 sources with 10 categories each and 50 users, all
// written within the last day so that every record gives a line.
void FillLog(FakeEventLog& platform, int count) {
  for (int s = 0; s < 20; ++s) {
    const std::string source = "Source" + std::to_string(s);
    const std::string module = "cat" + std::to_string(s % 5) + ".dll";
    platform.categoryFiles[source] = module;
    for (std::uint32_t c = 1; c <= 10; ++c)
      platform.texts[module][c] = "分類" + std::to_string(c) + "\r\n";
  }
  const std::uint32_t now = 1796558400;
  platform.now = platform.LocalTimeOf(now);
  for (int i = 0; i < count; ++i) {
    const auto user = static_cast<std::uint32_t>(i % 50);
    platform.records.push_back(zq::testing::RecordBytes(
        now - 1 - static_cast<std::uint32_t>(i), 0x40000000u + static_cast<std::uint32_t>(i % 900),
        4, static_cast<std::uint16_t>(i % 10 + 1), "Source" + std::to_string(i % 20), "SERVER01",
        i % 7 == 0 ? std::vector<std::uint8_t>{} : zq::testing::Sid({21, 1, 2, 1000 + user})));
  }
}

void BM_EventLogSection(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  FakeEventLog prototype;
  FillLog(prototype, count);
  int reads = 0, loads = 0, lookups = 0;
  for (auto _ : state) {
    state.PauseTiming();
    FakeEventLog platform = prototype;
    zq::ReportLog log;
    log.OpenForAppend("/dev/null");
    state.ResumeTiming();
    zq::WriteEventLogSection(log, "SERVER01", "System", 7, platform);
    log.Close();
    reads = platform.reads;
    loads = platform.moduleLoads;
    lookups = platform.lookups;
  }
  state.counters["records"] = count;
  state.counters["read_calls"] = reads;
  state.counters["reads_per_1000"] = 1000.0 * reads / count;
  state.counters["module_loads"] = loads;
  state.counters["account_lookups"] = lookups;
  state.counters["records_per_s"] =
      benchmark::Counter(static_cast<double>(count) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EventLogSection)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
