// Micro-benchmarks of the hot operations of the survey tools: reading numbers
// (read_real, read_word), writing them (write_fixed) and the projections (TM,
// and a grid's: UTM by Krüger's series, with and without a Helmert shift).
// Built with -DSURVEY_BENCH=ON (Google Benchmark, Debian's libbenchmark-dev):
//
//   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSURVEY_BENCH=ON
//   cmake --build build/bench --target micro_bench && build/bench/bench/micro_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fixed_notation.h"
#include "grid.h"
#include "grid_text.h"
#include "stop.h"
#include "text_file.h"
#include "tm.h"

using namespace survey_rt;

namespace {

std::uint64_t next_random(std::uint64_t& state) {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return state;
}

// A file of survey-like number tokens, one record of three a line.
std::string make_token_file(const char* name, bool words) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            (std::string("survey_micro_") + name + "_" + std::to_string(::getpid())))
                               .string();
  std::ofstream out(path, std::ios::binary);
  std::uint64_t state = 12345;
  char line[96];
  for (int i = 0; i < 200000; ++i) {
    const std::uint64_t r = next_random(state);
    if (words) {
      std::snprintf(line, sizeof line, "%u %u %u\r\n", static_cast<unsigned>(r % 24),
                    static_cast<unsigned>((r >> 8) % 60), static_cast<unsigned>((r >> 16) % 20));
    } else {
      std::snprintf(line, sizeof line, "%.8f %.2f %.1f\r\n", 42.4 + static_cast<double>(r % 1000000) / 1e7,
                    4705324.44 + static_cast<double>((r >> 20) % 100000) / 100,
                    static_cast<double>((r >> 40) % 400) / 10);
    }
    out << line;
  }
  return path;
}

template <typename Read>
void read_tokens(benchmark::State& state, const char* name, bool words, Read read) {
  const std::string path = make_token_file(name, words);
  TextFile f;
  open_input(f, path);
  for (auto _ : state) {
    if (at_end(f)) {
      state.PauseTiming();
      open_input(f, path);
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(read(f));
  }
  close_file(f);
  io_result();
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations());
}

void BM_read_real(benchmark::State& state) {
  read_tokens(state, "real", false, [](TextFile& f) { return read_real(f); });
}
BENCHMARK(BM_read_real);

void BM_read_word(benchmark::State& state) {
  read_tokens(state, "word", true, [](TextFile& f) { return read_word(f); });
}
BENCHMARK(BM_read_word);

// write_fixed of survey values into a file whose bytes go nowhere: latitudes
// with eight decimals, plane coordinates with two, depths with one.
void BM_write_fixed(benchmark::State& state) {
  const int decimals = static_cast<int>(state.range(0));
  std::vector<double> values;
  std::uint64_t seed = 777;
  for (int i = 0; i < 4096; ++i) {
    const double r = static_cast<double>(next_random(seed) % 100000000);
    values.push_back(decimals == 8 ? 42.4 + r / 1e9 : decimals == 2 ? 4705324.44 + r / 100 : -r / 1e6);
  }
  TextFile f;
  create_output(f, "/dev/null");
  std::size_t i = 0;
  for (auto _ : state) {
    write_fixed(f, values[i++ & 4095], 0, decimals);
  }
  close_file(f);
  io_result();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_write_fixed)->Arg(8)->Arg(2)->Arg(1);

// The text alone, without a file.
void BM_format_fixed(benchmark::State& state) {
  std::vector<double> values;
  std::uint64_t seed = 99;
  for (int i = 0; i < 4096; ++i)
    values.push_back(4705324.44 + static_cast<double>(next_random(seed) % 100000000) / 100);
  char text[64];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(format_fixed(text, sizeof text, values[i++ & 4095], 2, 12));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_format_fixed);

// Survey-like positions about 42.5 N 27.5 E.
std::vector<std::pair<double, double>> survey_positions() {
  std::vector<std::pair<double, double>> points;
  std::uint64_t seed = 5;
  for (int i = 0; i < 4096; ++i) {
    const double r = static_cast<double>(next_random(seed) % 1000000) / 1e6;
    points.emplace_back(42.4 + r * 0.2, 27.4 + r * 0.3);
  }
  return points;
}

void BM_TM(benchmark::State& state) {
  const auto points = survey_positions();
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& p = points[i++ & 4095];
    benchmark::DoNotOptimize(TM(p.first, p.second, 27.0, 1.0, 9500113.804, 122.463));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TM);

void grid_forward_bench(benchmark::State& state, const char* helmert, const char* rotation) {
  GridDefinition definition;
  std::string why;
  if (!parse_shifted_grid("UTM 35N", helmert, rotation, definition, why)) state.SkipWithError(why.c_str());
  const Grid grid = make_grid(definition);
  const auto points = survey_positions();
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& p = points[i++ & 4095];
    benchmark::DoNotOptimize(grid_forward(grid, p.first, p.second));
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_grid_forward(benchmark::State& state) { grid_forward_bench(state, "", ""); }
BENCHMARK(BM_grid_forward);

void BM_grid_forward_helmert(benchmark::State& state) {
  grid_forward_bench(state, "598.1 73.7 418.2 0.202 0.045 -2.455 6.7", "position-vector");
}
BENCHMARK(BM_grid_forward_helmert);

}  // namespace

BENCHMARK_MAIN();
