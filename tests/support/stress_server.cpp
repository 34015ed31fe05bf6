#include "tests/support/stress_server.h"

#include <climits>
#include <cstdarg>
#include <cstdio>

#include "tests/support/modal.h"

namespace test {

namespace stress_log {
namespace {
std::vector<std::string> lines;
}  // namespace

void Add(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  lines.push_back(line);
}

void Clear() {
  lines.clear();
}

std::string Tail(size_t count) {
  std::string text;
  for (size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i)
    text += std::to_string(i + 1) + ": " + lines[i] + "\n";
  return text;
}
}  // namespace stress_log

uint64_t Rng::Next() {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

namespace {
const std::wstring kLongFailure(700, L'x');
}  // namespace

const wchar_t* const kTestFailures[3] = {L"Sensor offline", L"", kLongFailure.c_str()};

HRESULT AnyFaultCode(Rng& rng) {
  static const HRESULT kOthers[] = {E_OUTOFMEMORY, RPC_E_DISCONNECTED, RPC_E_CALL_REJECTED, S_FALSE,
                                    static_cast<HRESULT>(0x00040401)};
  const unsigned pick = rng.Pick(0x25 + 5);  // 0x80040402 to 0x80040426, then the others
  return pick < 0x25 ? static_cast<HRESULT>(0x80040402 + pick) : kOthers[pick - 0x25];
}

namespace {

// The server's connection point with the script run inside Advise (after
// the sink is in) and Unadvise (before it goes).
class HookedPoint : public fw::ComObjectRoot, public IConnectionPoint {
 public:
  HookedPoint(IConnectionPoint* point, StressServer* owner, StressScript* stress)
      : inner(point), server(owner), script(stress) {
    keep = owner->ControllingUnknown();
  }

  FW_BEGIN_INTERFACES(HookedPoint)
  FW_INTERFACE(IConnectionPoint)
  FW_END_INTERFACES

  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    return inner->GetConnectionInterface(iid);
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override {
    return inner->GetConnectionPointContainer(out);
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    HRESULT hr = inner->Advise(sink, cookie), forced = S_OK;
    if (FAILED(hr) || !script->Act(*server, "Advise", true, forced) || SUCCEEDED(forced)) return hr;
    inner->Unadvise(*cookie);
    *cookie = 0;
    return forced;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    HRESULT ignored = S_OK;  // a refused Unadvise would keep the sink: not asked for
    script->Act(*server, "Unadvise", false, ignored);
    return inner->Unadvise(cookie);
  }
  STDMETHODIMP EnumConnections(IEnumConnections** out) override {
    return inner->EnumConnections(out);
  }

 private:
  fw::ComPtr<IConnectionPoint> inner;
  fw::ComPtr<IUnknown> keep;
  StressServer* server;
  StressScript* script;
};

}  // namespace

StressServer::StressServer(StressScript* stress, int serverNumber)
    : script(stress), number(serverNumber) {
  DuringAnyCall([this](const ServerCall& call, HRESULT& result) {
    return script->Act(*this, call.name.c_str(), true, result);
  });
}

STDMETHODIMP StressServer::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  fw::ComPtr<IConnectionPoint> inner;
  HRESULT hr = FakeCameraServer::FindConnectionPoint(iid, &inner);
  if (FAILED(hr)) return hr;
  return fw::Make<HookedPoint>(inner.Get(), this, script)->QueryInterface(IID_PPV_ARGS(out));
}

fw::ComPtr<fw::ComObject<StressServer>> StressScript::NewServer(long mode) {
  servers.push_back(fw::Make<StressServer>(this, static_cast<int>(servers.size() + 1)));
  servers.back()->SetMode(mode);
  return servers.back();
}

void StressScript::FireEvent(StressServer& server) {
  static const long kStates[] = {1, 1, 1, 0, 0, 7, -1, LONG_MIN};
  static const long kModes[] = {0, 1, 2, 2, 2, 3, 4, 5, 6, 9, -1};
  static const long kFigures[] = {0, 3, 42, 255, -1, LONG_MAX, LONG_MIN, 100000};
  // Every call of the control is made by its work; an event from inside one
  // waits until the work is done, as it does during a user action's Save As.
  const bool hold = depth > 0 || (mustHold && mustHold());
  const size_t before = calls;
  const unsigned kind = rng.Pick(8);
  std::string what;
  if (kind < 3) {
    if (rng.OneIn(4)) server.SetMode(rng.From(kModes));
    const long state = rng.From(kStates);
    what = "ConnectionStateChanged(" + std::to_string(state) + "), mode " +
           std::to_string(server.Mode());
    stress_log::Add("server %d fires %s", server.Number(), what.c_str());
    server.FireConnectionStateChanged(state);
  } else if (kind < 5) {
    TestResults figures;
    for (long& figure : figures)
      figure = rng.OneIn(3) ? rng.From(kFigures) : static_cast<long>(rng.Pick(100));
    what = "CameraTestFinished(" + std::to_string(figures[0]) + ",...)";
    stress_log::Add("server %d fires %s", server.Number(), what.c_str());
    server.FireCameraTestFinished(figures);
  } else if (kind < 7) {
    const unsigned text = rng.Pick(4);  // 0: none
    what = "CameraTestFailed(text " + std::to_string(text) + ")";
    stress_log::Add("server %d fires %s", server.Number(), what.c_str());
    server.FakeCameraServer::FireEvent(3, {TextArg(text ? kTestFailures[text - 1] : nullptr)});
  } else {
    const DISPID dispid = rng.From({1, 2, 3, 99});
    what = "malformed event " + std::to_string(dispid);
    stress_log::Add("server %d fires %s", server.Number(), what.c_str());
    server.FakeCameraServer::FireEvent(dispid, {TextArg(L"7"), LongArg(1)});
  }
  if (hold && calls != before) {
    faults.push_back(what + " was handled inside work waiting for the server (" +
                     std::to_string(calls - before) + " server calls)");
    stress_log::Add("FAULT: %s", faults.back().c_str());
  }
}

bool StressScript::RunHostAction(Rng& chooser) {
  std::vector<const HostAction*> usable;
  for (const HostAction& action : hostActions)
    if (action.usable()) usable.push_back(&action);
  if (usable.empty()) return false;
  usable[chooser.Pick(static_cast<unsigned>(usable.size()))]->run();
  return true;
}

bool StressScript::Act(StressServer& server, const char* call, bool mayFail, HRESULT& result) {
  ++calls;
  if (!armed || depth >= 2 || !rng.OneIn(depth ? oneIn * 4 : oneIn)) return false;
  ++depth;
  stress_log::Add("%*sinside %s of server %d:", depth * 2, "", call, server.Number());
  bool fails = false;
  for (unsigned things = 1 + rng.OneIn(3); things > 0; --things) {
    const unsigned kind = rng.Pick(10);
    if (kind < 4) {
      FireEvent(server);
    } else if (kind < 7) {
      RunHostAction(rng);
    } else if (kind < 8) {
      const DWORD ms = rng.Pick(40);
      stress_log::Add("runs the message loop for %lu ms", ms);
      PumpMessages(ms);
    } else if (mayFail && !fails) {
      result = AnyFaultCode(rng);
      fails = true;
      stress_log::Add("%s fails with 0x%08lx", call, static_cast<unsigned long>(result));
    }
  }
  --depth;
  return fails;
}

}  // namespace test
