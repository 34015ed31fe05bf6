// The host's message component (IHostMessageBox, CLSID_HostMessageBox) as
// the tests see it: every ShowMessageBox call is recorded in one
// process-wide list instead of being shown. The test main registers its
// class object for the whole run and resets it before every test.
//
//   test::MessageRecorder::Clear();
//   ... the control shows an error ...
//   ASSERT_EQ(test::MessageRecorder::Messages().size(), 1u);
//   EXPECT_EQ(test::MessageRecorder::Messages()[0].title, "Camera Control");
//
//   test::MessageRecorder::Unavailable off;   // CoCreateInstance fails
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace test {

struct RecordedMessage {
  std::string text;  // converted to ANSI
  std::string title;
  HRESULT hr;
  std::string description;
  long flags;
  long option;
  long resultPreset;  // the out value as the caller preset it
};

class MessageRecorder {
 public:
  static const std::vector<RecordedMessage>& Messages();
  static void Clear();

  // The class object for CLSID_HostMessageBox, in this process only.
  static HRESULT Register();
  static void Revoke();
  static bool Registered();
  // Messages cleared, class object registered.
  static void Reset();

  // While it lives the component cannot be created.
  class Unavailable {
   public:
    Unavailable() : wasRegistered(Registered()) { Revoke(); }
    ~Unavailable() {
      if (wasRegistered) Register();
    }
    Unavailable(const Unavailable&) = delete;
    Unavailable& operator=(const Unavailable&) = delete;

   private:
    bool wasRegistered;
  };
};

}  // namespace test
