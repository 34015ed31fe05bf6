// Whether a control gets slower over hours of use in one host process: the
// time of one round (a control made, started, a Registers Read pass, a
// preview, a mode change, released; test::RunHostRound) at the start and at
// the end of a run of rounds.
//
//   scripts/wine-run build/win32/bench/long_use_bench.exe [rounds]   (32-bit Wine)
//   scripts/wine-run build/win64/bench/long_use_bench.exe [rounds]   (wine64)
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/support/host_round.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/server_type_library.h"

namespace {

constexpr int kWindow = 10;  // rounds summed up at each end

double Milliseconds(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// CPU time of this thread so far, in milliseconds: less disturbed than the
// elapsed time by other work on a shared machine, but without the time the
// window and X servers spend for the round.
double ThreadCpuMilliseconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  const auto ticks = [](const FILETIME& t) {
    return static_cast<double>(static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime);
  };
  return (ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}

struct RoundTime {
  double elapsed;
  double cpu;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void Report(const char* name, std::vector<RoundTime>::const_iterator first,
            std::vector<RoundTime>::const_iterator last) {
  std::vector<double> elapsed, cpu;
  double sum = 0;
  for (auto t = first; t != last; ++t) {
    elapsed.push_back(t->elapsed);
    cpu.push_back(t->cpu);
    sum += t->elapsed;
  }
  printf(
      "%s: %.1f ms per round (median %.1f, fastest %.1f, slowest %.1f); thread CPU median %.1f "
      "ms\n",
      name, sum / static_cast<double>(elapsed.size()), Median(elapsed),
      *std::min_element(elapsed.begin(), elapsed.end()),
      *std::max_element(elapsed.begin(), elapsed.end()), Median(cpu));
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? atoi(argv[1]) : 200;
  if (rounds < 2 * kWindow) return 2;
  if (FAILED(OleInitialize(nullptr))) return 2;
  int status = 0;
  if (!test::RegisterServerTypeLibrary() || FAILED(test::MessageRecorder::Register())) {
    fprintf(stderr, "run from a build folder: generated/ holds the server's type library\n");
    status = 2;
  }
  test::ModalWatchdog::Arm();  // a dialog nobody expected ends instead of hanging the run
  std::vector<RoundTime> times;
  for (int i = 0; status == 0 && i < rounds; ++i) {
    LARGE_INTEGER start, end;
    const double cpuStart = ThreadCpuMilliseconds();
    QueryPerformanceCounter(&start);
    const test::HostRound round = test::RunHostRound();
    QueryPerformanceCounter(&end);
    times.push_back(
        {Milliseconds(end.QuadPart - start.QuadPart), ThreadCpuMilliseconds() - cpuStart});
    if (round.registersRead != 160 || round.previewsShown != 1 ||
        round.serverRefsAtEnd != round.serverRefsAtStart) {
      fprintf(stderr, "round %d did not run as it should\n", i + 1);
      status = 1;
    }
  }
  if (status == 0) {
    printf("%d rounds\n", rounds);
    Report("rounds 1-10", times.begin(), times.begin() + kWindow);
    char name[32];
    snprintf(name, sizeof name, "rounds %d-%d", rounds - kWindow + 1, rounds);
    Report(name, times.end() - kWindow, times.end());
  }
  test::ModalWatchdog::Disarm();
  test::MessageRecorder::Revoke();
  OleUninitialize();
  return status;
}
