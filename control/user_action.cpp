#include "control/user_action.h"

#include "control/message_boxes.h"
#include "resources/resource.h"

CUserAction::CUserAction(CServerWork* work, HWND window,
                         const fw::ComPtr<ICameraControlFN>& current) {
  if (!work || !work->InProgress()) scope.emplace(work, window, current);
}

bool CUserAction::HasServer() const {
  if (Server()) return true;
  ShowError(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER);
  return false;
}

bool CUserAction::GoesOn() {
  if (!scope) return false;
  switch (scope->Check()) {
    case CServerWork::Scope::State::GoesOn:
      return true;
    case CServerWork::Scope::State::ServerGone:
      if (!told) {
        told = true;
        ShowError(IDS_ERR_NO_SERVER_TITLE, IDS_ERR_NO_SERVER);
      }
      return false;
    case CServerWork::Scope::State::WindowGone:
      break;
  }
  return false;
}

void CUserAction::Done() {
  if (scope) scope->Done();
}
