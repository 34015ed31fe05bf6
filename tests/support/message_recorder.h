// The host's message component: every ShowMessageBox call is recorded in one
// process-wide list instead of being shown (registered by the test main).
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

  static HRESULT Register();
  static void Revoke();

  // While it lives the component cannot be created.
  class Unavailable {
   public:
    Unavailable() { Revoke(); }
    ~Unavailable() { Register(); }
    Unavailable(const Unavailable&) = delete;
    Unavailable& operator=(const Unavailable&) = delete;
  };
};

}  // namespace test
