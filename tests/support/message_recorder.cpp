#include "tests/support/message_recorder.h"

#include "HostFramework.h"
#include "framework/com_object.h"
#include "tests/support/class_object.h"
#include "tests/support/text.h"

namespace test {
namespace {

std::vector<RecordedMessage> messages;
ClassRegistration registration;

class HostMessageBox : public fw::ComObjectRoot, public IHostMessageBox {
 public:
  FW_BEGIN_INTERFACES(HostMessageBox)
  FW_INTERFACE(IHostMessageBox)
  FW_END_INTERFACES

  STDMETHODIMP ShowMessageBox(BSTR text, BSTR title, HRESULT hr, BSTR description, long flags,
                              long option, long* result) override {
    if (!result) return E_POINTER;
    messages.push_back(
        {Narrow(text), Narrow(title), hr, Narrow(description), flags, option, *result});
    *result = IDOK;
    return S_OK;
  }
};

}  // namespace

const std::vector<RecordedMessage>& MessageRecorder::Messages() {
  return messages;
}

void MessageRecorder::Clear() {
  messages.clear();
}

HRESULT MessageRecorder::Register() {
  return registration.Register(CLSID_HostMessageBox, [](REFIID iid, void** ppv) {
    return fw::CreateComObject<HostMessageBox>(nullptr, iid, ppv);
  });
}

void MessageRecorder::Revoke() {
  registration.Revoke();
}

}  // namespace test
