#include "control/server_work.h"

CServerWork::Scope::Scope(CServerWork* serverWork, HWND workWindow,
                          const fw::ComPtr<ICameraControlFN>& currentServer)
    : work(serverWork), window(workWindow), current(currentServer), server(currentServer) {
  if (work) ++work->depth;
}

CServerWork::Scope::State CServerWork::Scope::Check() const {
  if (window && (!IsWindow(window) || (work && !work->HasWindow()))) return State::WindowGone;
  if (current.Get() != server.Get()) return State::ServerGone;
  return State::GoesOn;
}

void CServerWork::Scope::Done() {
  if (!work || done) return;
  done = true;
  if (--work->depth == 0) work->OnWorkDone();
}
