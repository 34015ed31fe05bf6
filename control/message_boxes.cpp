#include "control/message_boxes.h"

#include <cstdio>
#include <cstring>

#include "HostFramework.h"
#include "framework/bstr.h"
#include "framework/com_object.h"
#include "framework/module.h"

namespace {

// The host's option for messages shown by this control.
constexpr long kHostOption = 1;

long ShowFromStrings(UINT titleId, UINT textId, UINT flags) {
  char title[kMaxTitleLength + 1] = "";
  char text[kMaxMessageLength + 1] = "";
  LoadStringA(fw::Module::ResourceInstance(), titleId, title, sizeof title);
  LoadStringA(fw::Module::ResourceInstance(), textId, text, sizeof text);
  return ShowMessage(text, title, S_OK, flags, kHostOption);
}

// The description of the calling thread's pending COM error, if any.
void TakeErrorDescription(fw::Bstr& description) {
  fw::ComPtr<IErrorInfo> error;
  if (GetErrorInfo(0, &error) == S_OK && error) error->GetDescription(description.Out());
}

}  // namespace

long ShowError(UINT titleId, UINT textId) {
  return ShowFromStrings(titleId, textId, MB_ICONHAND);
}

void ShowInfo(UINT titleId, UINT textId) {
  ShowFromStrings(titleId, textId, MB_ICONASTERISK);
}

long ShowMessage(const char* text, const char* title, HRESULT hr, UINT flags, long option) {
  if (!text || !title) return -1;

  fw::Bstr description;
  TakeErrorDescription(description);

  fw::ComPtr<IHostMessageBox> host;
  if (SUCCEEDED(CoCreateInstance(CLSID_HostMessageBox, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&host)))) {
    long answer = -1;
    fw::Bstr wideText(text);
    fw::Bstr wideTitle(title);
    if (SUCCEEDED(host->ShowMessageBox(wideText.Get(), wideTitle.Get(), hr, description.Get(),
                                       static_cast<long>(flags), option, &answer)))
      return answer;
  }

  // The plain system box: the text, then the result code in hex and decimal.
  char suffix[40];
  snprintf(suffix, sizeof suffix, "\r\nHRESULT 0x%08x (%d)", static_cast<unsigned>(hr),
           static_cast<int>(hr));
  char box[kMaxMessageLength + 2 + sizeof suffix];
  snprintf(box, sizeof box, "%.*s%s", static_cast<int>(sizeof box - strlen(suffix) - 1), text,
           suffix);
  return MessageBoxA(nullptr, box, title, flags);
}
