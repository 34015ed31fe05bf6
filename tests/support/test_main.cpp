// Entry point of every Windows test program: one single-threaded apartment
// with OLE initialised for the whole run (the control needs OLE for in-place
// activation, clipboard formats and drag and drop registration).
#include <windows.h>
#include <ole2.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (FAILED(OleInitialize(nullptr))) return 2;
  int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}
