#include "control/server_work.h"

CServerWork::Scope::Scope(CServerWork* serverWork) : work(serverWork) {
  if (work) ++work->depth;
}

void CServerWork::Scope::Done() {
  if (!work) return;
  CServerWork* ended = work;
  work = nullptr;
  if (--ended->depth == 0) ended->OnWorkDone();
}
