#include "framework/call_scope.h"

#include <vector>

#include "framework/com_object.h"

namespace fw {
namespace {

struct LaterAction {
  ComPtr<IUnknown> keep;
  std::function<void()> action;
};

// Per thread: objects belong to the apartment (thread) that made them, and
// their windows must be destroyed there. Plain pointers: a thread's
// variables of class type are not destroyed reliably in a DLL.
thread_local int depth = 0;
thread_local ComObjectRoot* deferred = nullptr;  // newest first
thread_local std::vector<LaterAction>* later = nullptr;
thread_local bool finishing = false;

ComObjectRoot* TakeOldestDeferred() {
  ComObjectRoot* oldest = deferred;
  ComObjectRoot** link = &deferred;
  while (oldest->nextDeferred) {
    link = &oldest->nextDeferred;
    oldest = oldest->nextDeferred;
  }
  *link = nullptr;
  return oldest;
}

// Runs what waited for the outermost call, oldest first: the actions, then
// the objects put aside. Each may add more (it runs messages and releases
// what it holds); they are done in the same pass.
void FinishDeferred() {
  finishing = true;
  while ((later && !later->empty()) || deferred) {
    CallScope finishingIsACall;
    if (later && !later->empty()) {
      LaterAction next = std::move(later->front());
      later->erase(later->begin());
      next.action();
    } else {
      TakeOldestDeferred()->Finish();
    }
  }
  delete later;
  later = nullptr;
  finishing = false;
}

}  // namespace

CallScope::CallScope() {
  ++depth;
}

CallScope::~CallScope() {
  if (--depth == 0 && (deferred || later) && !finishing) FinishDeferred();
}

bool CallScope::Active() {
  return depth > 0;
}

bool CallScope::Defer(ComObjectRoot* object) {
  if (depth == 0) return false;
  object->nextDeferred = deferred;
  deferred = object;
  return true;
}

void CallScope::AtEnd(IUnknown* keep, std::function<void()> action) {
  if (depth == 0) {
    action();
    return;
  }
  if (!later) later = new std::vector<LaterAction>;
  later->push_back({ComPtr<IUnknown>(keep), std::move(action)});
}

}  // namespace fw
