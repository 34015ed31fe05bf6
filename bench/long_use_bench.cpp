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

void Report(const char* name, std::vector<double> times) {
  double sum = 0;
  for (double t : times)
    sum += t;
  std::sort(times.begin(), times.end());
  printf("%s: %.1f ms per round (median %.1f, fastest %.1f, slowest %.1f)\n", name,
         sum / static_cast<double>(times.size()), times[times.size() / 2], times.front(),
         times.back());
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
  std::vector<double> times;
  for (int i = 0; status == 0 && i < rounds; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const test::HostRound round = test::RunHostRound();
    QueryPerformanceCounter(&end);
    times.push_back(Milliseconds(end.QuadPart - start.QuadPart));
    if (round.registersRead != 160 || round.previewsShown != 1 ||
        round.serverRefsAtEnd != round.serverRefsAtStart) {
      fprintf(stderr, "round %d did not run as it should\n", i + 1);
      status = 1;
    }
  }
  if (status == 0) {
    printf("%d rounds\n", rounds);
    Report("rounds 1-10", std::vector<double>(times.begin(), times.begin() + kWindow));
    char name[32];
    snprintf(name, sizeof name, "rounds %d-%d", rounds - kWindow + 1, rounds);
    Report(name, std::vector<double>(times.end() - kWindow, times.end()));
  }
  test::ModalWatchdog::Disarm();
  test::MessageRecorder::Revoke();
  OleUninitialize();
  return status;
}
