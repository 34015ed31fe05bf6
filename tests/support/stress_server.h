// Camera function servers for re-entrancy stress runs. Driven by a seed,
// they do inside any of their calls (and inside Advise and Unadvise of the
// event connection) what real servers and hosts do: fire any of the three
// events with valid and out-of-range arguments, or malformed ones; have the
// host act on the control (the host's actions are given by the run);
// run the message loop for a moment; fail the call with any code of the
// fault tables. Everything done is written to the stress log, so that a
// failing seed can be read back step by step.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/fake_camera_server.h"

namespace test {

// The steps of the current episode, kept in memory and printed when a
// check fails or the process crashes.
namespace stress_log {
void Add(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Clear();
// The last `lines` lines, numbered.
std::string Tail(size_t lines = 400);
}  // namespace stress_log

// A small deterministic random stream (splitmix64).
class Rng {
 public:
  explicit Rng(uint64_t seed) : state(seed) {}
  uint64_t Next();
  unsigned Pick(unsigned count) { return count ? static_cast<unsigned>(Next() % count) : 0; }
  bool OneIn(unsigned n) { return Pick(n) == 0; }
  template <class T, size_t N>
  const T& From(const T (&items)[N]) {
    return items[Pick(N)];
  }

 private:
  uint64_t state;
};

// The descriptions the servers' CameraTestFailed events carry, besides none.
extern const wchar_t* const kTestFailures[3];

// The fault tables' codes: the server's 0x80040402 to 0x80040426, COM's out
// of memory, disconnected and call rejected, and the two successes above 0.
HRESULT AnyFaultCode(Rng& rng);

class StressServer;

// The seeded behaviour shared by all servers of one episode.
class StressScript {
 public:
  struct HostAction {
    std::function<bool()> usable;  // whether the host can do it now
    std::function<void()> run;     // writes what it does to the log
  };

  explicit StressScript(uint64_t seed) : rng(seed) {}

  // A new server reporting `mode`, numbered in the log by its position.
  fw::ComPtr<fw::ComObject<StressServer>> NewServer(long mode);
  const std::vector<fw::ComPtr<fw::ComObject<StressServer>>>& Servers() const { return servers; }

  // Fires one event of `server`: any of the three, valid or out of range,
  // or a malformed one. From inside a call, or while `mustHold` says the
  // control has to hold events, handling it may make no server call.
  void FireEvent(StressServer& server);
  // Inside a call named `call`: maybe acts; true when the call is to fail
  // (or succeed) with `result` instead of doing its work.
  bool Act(StressServer& server, const char* call, bool mayFail, HRESULT& result);
  // Runs one usable host action chosen by `rng`; false when none is.
  bool RunHostAction(Rng& chooser);

  Rng rng;
  std::vector<HostAction> hostActions;
  std::function<bool()> mustHold;
  unsigned oneIn = 8;  // a call acts once in this many (less when nested)
  bool armed = false;
  size_t calls = 0;                 // calls made to every server so far
  std::vector<std::string> faults;  // broken rules, as log lines

 private:
  int depth = 0;
  std::vector<fw::ComPtr<fw::ComObject<StressServer>>> servers;
};

class StressServer : public FakeCameraServer {
 public:
  StressServer(StressScript* script, int number);

  int Number() const { return number; }
  long Mode() const { return mode; }
  void SetMode(long newMode) {
    mode = newMode;
    SetProductMode(newMode);
  }

  // The connection point handed out runs the script inside Advise and
  // Unadvise.
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

 private:
  StressScript* script;
  int number;
  long mode = 2;
};

}  // namespace test
