// Speed of the raw pixel conversion on VGA pictures, against copying the
// same number of output bytes with memcpy and against the literal per-pixel
// double-precision formula. The goal: the product's conversion takes at most
// 4 times the memcpy time.
//
// Run: build/native/imaging_bench [--benchmark_repetitions=5]
// Before timing, the product's conversion is checked byte for byte against
// the literal formula; the program fails if they differ or the goal is
// missed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "imaging/raw_pixels.h"
#include "tests/native/literal_raw_conversion.h"

namespace {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr double kGoal = 4.0;  // times the memcpy time

struct Pictures {
  std::vector<uint8_t> rgb565;
  std::vector<uint8_t> rgb888;
  std::vector<uint8_t> output;  // the pixel area of a VGA bitmap
};

Pictures& Data() {
  static Pictures pictures = [] {
    Pictures p;
    std::mt19937 random(2024);
    p.rgb565.resize(static_cast<size_t>(kWidth) * kHeight * 2);
    p.rgb888.resize(static_cast<size_t>(kWidth) * kHeight * 3);
    for (uint8_t& b : p.rgb565)
      b = static_cast<uint8_t>(random());
    for (uint8_t& b : p.rgb888)
      b = static_cast<uint8_t>(random());
    p.output.resize(RowStride(kWidth) * kHeight);
    return p;
  }();
  return pictures;
}

const std::vector<uint8_t>& Raw(int32_t format) {
  return format == kRawFormatRgb565 ? Data().rgb565 : Data().rgb888;
}

void ProductConversion(benchmark::State& state, int32_t format) {
  const std::vector<uint8_t>& raw = Raw(format);
  std::vector<uint8_t>& out = Data().output;
  for (auto _ : state) {
    ConvertRawPixels(format, raw.data(), raw.size(), kWidth, kHeight, out.data(), out.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(out.size()));
}

void PortableConversion(benchmark::State& state, int32_t format) {
  const std::vector<uint8_t>& raw = Raw(format);
  std::vector<uint8_t>& out = Data().output;
  for (auto _ : state) {
    ConvertRawPixelsWith(RawConverter::Portable, format, raw.data(), raw.size(), kWidth, kHeight,
                         out.data(), out.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(out.size()));
}

void LiteralConversion(benchmark::State& state, int32_t format) {
  const std::vector<uint8_t>& raw = Raw(format);
  std::vector<uint8_t> out;
  for (auto _ : state) {
    literal::Convert(format, raw.data(), raw.size(), kWidth, kHeight, &out);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(out.size()));
}

void MemcpyOutputBytes(benchmark::State& state) {
  // As many bytes as a conversion writes, from a buffer as large.
  const std::vector<uint8_t>& from = Data().rgb888;
  std::vector<uint8_t>& out = Data().output;
  for (auto _ : state) {
    std::memcpy(out.data(), from.data(), out.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(out.size()));
}

BENCHMARK(MemcpyOutputBytes);
BENCHMARK_CAPTURE(ProductConversion, Rgb565, kRawFormatRgb565);
BENCHMARK_CAPTURE(ProductConversion, Rgb888, kRawFormatRgb888);
BENCHMARK_CAPTURE(PortableConversion, Rgb565, kRawFormatRgb565);
BENCHMARK_CAPTURE(PortableConversion, Rgb888, kRawFormatRgb888);
BENCHMARK_CAPTURE(LiteralConversion, Rgb565, kRawFormatRgb565);
BENCHMARK_CAPTURE(LiteralConversion, Rgb888, kRawFormatRgb888);

// The product's output, and the portable converter's, must equal the
// literal formula's before any timing means something.
bool OutputsMatchLiteral() {
  bool same = true;
  for (int32_t format : {kRawFormatRgb565, kRawFormatRgb888}) {
    const std::vector<uint8_t>& raw = Raw(format);
    std::vector<uint8_t> expected;
    literal::Convert(format, raw.data(), raw.size(), kWidth, kHeight, &expected);
    for (bool portable : {false, true}) {
      std::vector<uint8_t> actual(expected.size(), 0xAA);
      const bool converted =
          portable ? ConvertRawPixelsWith(RawConverter::Portable, format, raw.data(), raw.size(),
                                          kWidth, kHeight, actual.data(), actual.size())
                   : ConvertRawPixels(format, raw.data(), raw.size(), kWidth, kHeight,
                                      actual.data(), actual.size());
      if (!converted || actual != expected) {
        std::fprintf(stderr, "%s conversion of format %d differs from the literal formula\n",
                     portable ? "portable" : "product", format);
        same = false;
      }
    }
  }
  return same;
}

// Prints the usual table and keeps the fastest CPU time per iteration of
// each benchmark (over repetitions, or their median when only aggregates
// are reported), for the comparison at the end.
class ComparingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool single = run.run_type == Run::RT_Iteration;
      if (run.error_occurred || !(single || run.aggregate_name == "median")) continue;
      const double seconds =
          run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      auto [it, inserted] =
          fastest.emplace(run.run_name.function_name + run.run_name.args, seconds);
      if (!inserted && seconds < it->second) it->second = seconds;
    }
  }

  double Fastest(const std::string& name) const {
    auto it = fastest.find(name);
    return it == fastest.end() ? std::numeric_limits<double>::quiet_NaN() : it->second;
  }

 private:
  std::map<std::string, double> fastest;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!OutputsMatchLiteral()) return 1;
  std::printf("vector converter: %s\n",
              RawConverterAvailable(RawConverter::Vector) ? "used" : "not available");

  ComparingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const double copy = reporter.Fastest("MemcpyOutputBytes");
  if (!(copy > 0)) return 0;  // memcpy filtered out: nothing to compare
  bool withinGoal = true;
  std::printf("\nfastest CPU time per VGA picture (%d output bytes):\n", kWidth * kHeight * 3);
  std::printf("  memcpy             %9.1f us\n", copy * 1e6);
  for (const char* format : {"Rgb565", "Rgb888"}) {
    const double product = reporter.Fastest(std::string("ProductConversion/") + format);
    const double portable = reporter.Fastest(std::string("PortableConversion/") + format);
    const double literal = reporter.Fastest(std::string("LiteralConversion/") + format);
    if (std::isnan(product)) continue;  // filtered out
    std::printf("  %s product     %9.1f us  %5.2f x memcpy\n", format, product * 1e6,
                product / copy);
    std::printf("  %s portable    %9.1f us  %5.2f x memcpy\n", format, portable * 1e6,
                portable / copy);
    std::printf("  %s literal     %9.1f us  %5.2f x memcpy\n", format, literal * 1e6,
                literal / copy);
    if (product / copy > kGoal) withinGoal = false;
  }
  std::printf("product within %.0f x memcpy: %s\n", kGoal, withinGoal ? "yes" : "NO");
  return withinGoal ? 0 : 1;
}
