#include "framework/call_scope.h"

#include "framework/com_object.h"

namespace fw {
namespace {

// Per thread: objects belong to the apartment (thread) that made them, and
// their windows must be destroyed there.
thread_local int depth = 0;
thread_local ComObjectRoot* deferred = nullptr;  // newest first
thread_local bool finishing = false;

// Finishes the objects put aside, oldest first. Finishing one may put
// others aside (it runs messages and releases what it holds); they are
// finished in the same pass.
void FinishDeferred() {
  finishing = true;
  while (deferred) {
    ComObjectRoot* oldest = deferred;
    ComObjectRoot** link = &deferred;
    while (oldest->nextDeferred) {
      link = &oldest->nextDeferred;
      oldest = oldest->nextDeferred;
    }
    *link = nullptr;
    CallScope finishingIsACall;
    oldest->Finish();
  }
  finishing = false;
}

}  // namespace

CallScope::CallScope() {
  ++depth;
}

CallScope::~CallScope() {
  if (--depth == 0 && deferred && !finishing) FinishDeferred();
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

}  // namespace fw
