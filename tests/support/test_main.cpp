// Entry point of every Windows test program: OLE initialised on one
// single-threaded apartment (in-place activation needs it), the camera
// server's type library registered (the event sink reads it), the host's
// message component recorded instead of shown, the modal watchdog armed.
#include <windows.h>
#include <ole2.h>
#include <gtest/gtest.h>

#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/server_type_library.h"

namespace {

// Every test starts with the process-wide fakes in their first state.
class ResetFakes : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override {
    test::MessageRecorder::Clear();
    test::MessageRecorder::Register();
  }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (FAILED(OleInitialize(nullptr)) || !test::RegisterServerTypeLibrary()) return 2;
  testing::UnitTest::GetInstance()->listeners().Append(new ResetFakes);
  test::ModalWatchdog::Arm();
  int result = RUN_ALL_TESTS();
  test::ModalWatchdog::Disarm();
  test::MessageRecorder::Revoke();
  OleUninitialize();
  return result;
}
