// The fakes that every later test leans on: where one of them went wrong,
// those tests would pass or fail for the wrong reason.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CameraControlFN.h"
#include "CameraControlFNLib.h"
#include "HostFramework.h"
#include "framework/com_object.h"
#include "tests/support/fake_camera_server.h"
#include "tests/support/fake_help_resolver.h"
#include "tests/support/help_catcher.h"
#include "tests/support/message_recorder.h"
#include "tests/support/modal.h"
#include "tests/support/text.h"

using fw::ComPtr;

namespace {

// One event as a sink received it, its arguments put back in declaration
// order ("I4:5", "BSTR:text").
struct ReceivedEvent {
  DISPID dispid;
  WORD flags;
  std::vector<std::string> args;
  std::vector<VARTYPE> rawOrder;  // types in the order of rgvarg
};

// An event sink as a client writes one: answers the event interface and
// IDispatch, records every Invoke.
class RecordingSink : public fw::ComObjectRoot, public _ICameraControlFNEvents {
 public:
  FW_BEGIN_INTERFACES(RecordingSink)
  FW_INTERFACE(_ICameraControlFNEvents)
  FW_INTERFACE_VIA(IDispatch, _ICameraControlFNEvents)
  FW_END_INTERFACES

  std::vector<ReceivedEvent> events;

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*,
                      EXCEPINFO*, UINT*) override {
    ReceivedEvent event{dispid, flags, {}, {}};
    for (UINT i = 0; i < params->cArgs; ++i) {
      const VARIANT& arg = params->rgvarg[params->cArgs - 1 - i];
      if (arg.vt == VT_I4)
        event.args.push_back("I4:" + std::to_string(arg.lVal));
      else if (arg.vt == VT_BSTR)
        event.args.push_back("BSTR:" + test::Narrow(arg.bstrVal));
      else
        event.args.push_back("vt" + std::to_string(arg.vt));
      event.rawOrder.push_back(params->rgvarg[i].vt);
    }
    events.push_back(event);
    return S_OK;
  }
};

// A sink that answers IDispatch but not the event interface.
class PlainDispatchSink : public RecordingSink {
 protected:
  const fw::InterfaceEntry* Interfaces() const override {
    static const fw::InterfaceEntry table[] = {
        {&IID_IDispatch, fw::InterfaceOffset<PlainDispatchSink, IDispatch>()}, {nullptr, 0}};
    return table;
  }
};

using Server = ComPtr<fw::ComObject<test::FakeCameraServer>>;
using Sink = ComPtr<fw::ComObject<RecordingSink>>;

HRESULT Advise(ICameraControlFN* server, IUnknown* sink, DWORD* cookie) {
  ComPtr<IConnectionPointContainer> container;
  HRESULT hr = server->QueryInterface(IID_PPV_ARGS(&container));
  if (FAILED(hr)) return hr;
  ComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(DIID__ICameraControlFNEvents, &point);
  if (FAILED(hr)) return hr;
  return point->Advise(sink, cookie);
}

// ---- the test main's set-up ----

// The control's event sink reads the parameter types of the events from
// the server's registered type library.
TEST(ServerTypeLibrary, IsRegisteredWithTheEventParameterTypes) {
  ComPtr<ITypeLib> library;
  ASSERT_EQ(LoadRegTypeLib(LIBID_CameraControlFNLib, 1, 0, 0, &library), S_OK);
  ComPtr<ITypeInfo> events;
  ASSERT_EQ(library->GetTypeInfoOfGuid(DIID__ICameraControlFNEvents, &events), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(events->GetTypeAttr(&attributes), S_OK);
  std::vector<std::string> found;
  for (UINT i = 0; i < attributes->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(events->GetFuncDesc(i, &function))) continue;
    std::string text = std::to_string(function->memid) + ":";
    for (SHORT p = 0; p < function->cParams; ++p)
      text += " " + std::to_string(function->lprgelemdescParam[p].tdesc.vt);
    found.push_back(text);
    events->ReleaseFuncDesc(function);
  }
  events->ReleaseTypeAttr(attributes);
  const std::string i4 = " " + std::to_string(VT_I4);
  EXPECT_EQ(found, (std::vector<std::string>{"1:" + i4, "2:" + i4 + i4 + i4 + i4 + i4 + i4 + i4,
                                             "3: " + std::to_string(VT_BSTR)}));
}

// ---- the fake server's events ----

TEST(FakeServerEvents, ReachTheSinkWithDispidsTypesAndArgumentsInOrder) {
  Server server = fw::Make<test::FakeCameraServer>();
  Sink sink = fw::Make<RecordingSink>();
  DWORD cookie = 0;
  ASSERT_EQ(Advise(server.Get(), sink->InnerUnknown(), &cookie), S_OK);
  EXPECT_EQ(cookie, 1u);

  EXPECT_EQ(server->FireConnectionStateChanged(1), S_OK);
  EXPECT_EQ(server->FireCameraTestFinished({10, 20, 30, 40, 50, 60, 70}), S_OK);
  EXPECT_EQ(server->FireCameraTestFailed(L"lens covered"), S_OK);

  ASSERT_EQ(sink->events.size(), 3u);
  EXPECT_EQ(sink->events[0].dispid, 1);
  EXPECT_EQ(sink->events[0].flags, DISPATCH_METHOD);
  EXPECT_EQ(sink->events[0].args, std::vector<std::string>{"I4:1"});
  EXPECT_EQ(sink->events[1].dispid, 2);
  EXPECT_EQ(sink->events[1].args, (std::vector<std::string>{"I4:10", "I4:20", "I4:30", "I4:40",
                                                            "I4:50", "I4:60", "I4:70"}));
  EXPECT_EQ(sink->events[2].dispid, 3);
  EXPECT_EQ(sink->events[2].args, std::vector<std::string>{"BSTR:lens covered"});

  // Malformed events go out exactly as given, last argument first in rgvarg.
  sink->events.clear();
  EXPECT_EQ(server->FireEvent(99, {}), S_OK);
  EXPECT_EQ(server->FireEvent(2, {test::LongArg(5), test::TextArg(L"x")}), S_OK);
  ASSERT_EQ(sink->events.size(), 2u);
  EXPECT_EQ(sink->events[0].dispid, 99);
  EXPECT_TRUE(sink->events[0].args.empty());
  EXPECT_EQ(sink->events[1].args, (std::vector<std::string>{"I4:5", "BSTR:x"}));
  EXPECT_EQ(sink->events[1].rawOrder, (std::vector<VARTYPE>{VT_BSTR, VT_I4}));
}

TEST(FakeServerEvents, AdviseWantsTheEventInterface) {
  Server server = fw::Make<test::FakeCameraServer>();
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(server.As(&container), S_OK);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &point), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(container->FindConnectionPoint(DIID__ICameraControlFNEvents, &point), S_OK);
  IID iid{};
  EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_TRUE(IsEqualIID(iid, DIID__ICameraControlFNEvents));
  ComPtr<IConnectionPointContainer> back;
  ASSERT_EQ(point->GetConnectionPointContainer(&back), S_OK);
  EXPECT_EQ(back.Get(), container.Get());

  // Not an event sink at all, and a sink answering only IDispatch.
  ComPtr<fw::ComObject<PlainDispatchSink>> plain = fw::Make<PlainDispatchSink>();
  Server notASink = fw::Make<test::FakeCameraServer>();
  DWORD cookie = 0xdeadbeef;
  EXPECT_EQ(point->Advise(notASink->InnerUnknown(), &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(point->Advise(plain->InnerUnknown(), &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(server->AdvisedSinkCount(), 0u);

  server->AcceptPlainDispatchSinks(true);
  ASSERT_EQ(point->Advise(plain->InnerUnknown(), &cookie), S_OK);
  EXPECT_EQ(cookie, 1u);
  server->FireCameraTestFailed(L"x");
  EXPECT_EQ(plain->events.size(), 1u);
}

TEST(FakeServerEvents, ReferenceCountIsObservableAndReturnsToItsStart) {
  Server server = fw::Make<test::FakeCameraServer>();
  EXPECT_EQ(server->RefCount(), 1u);
  ComPtr<ICameraControlFNTest> testInterface;
  ASSERT_EQ(server.As(&testInterface), S_OK);
  EXPECT_EQ(server->RefCount(), 2u);

  // Advising takes no reference on the server.
  Sink sink = fw::Make<RecordingSink>();
  DWORD cookie = 0;
  ASSERT_EQ(Advise(server.Get(), sink->InnerUnknown(), &cookie), S_OK);
  EXPECT_EQ(server->RefCount(), 2u);
  testInterface.Reset();
  EXPECT_EQ(server->RefCount(), 1u);

  // A connection point held past its server answers without crashing and
  // the sinks are released with the server.
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  server.As(&container);
  container->FindConnectionPoint(DIID__ICameraControlFNEvents, &point);
  container.Reset();
  ULONG sinkRefs = sink->RefCount();
  server.Reset();
  EXPECT_EQ(sink->RefCount(), sinkRefs - 1);
  ComPtr<IConnectionPointContainer> gone;
  EXPECT_EQ(point->GetConnectionPointContainer(&gone), E_UNEXPECTED);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
}

// ---- the fake server's calls ----

TEST(FakeServerCalls, ScriptedResultsHitOnlyTheChosenArguments) {
  Server server = fw::Make<test::FakeCameraServer>();
  server->SetRegister(19, 0x19);
  server->SetRegister(99, 0x99);
  server->FailWhen("ReadRegister", test::ArgEquals(0, 20), 0x80040411, L"no such register");
  server->FailWhen("ReadRegister", test::ArgAtLeast(0, 100), 0x80040409);

  BYTE value = 0xAA;
  EXPECT_EQ(server->ReadRegister(19, &value), S_OK);
  EXPECT_EQ(value, 0x19);
  value = 0xAA;
  EXPECT_EQ(server->ReadRegister(20, &value), static_cast<HRESULT>(0x80040411));
  EXPECT_EQ(value, 0xAA);  // a failing call writes nothing
  ComPtr<IErrorInfo> error;
  ASSERT_EQ(GetErrorInfo(0, &error), S_OK);
  BSTR description = nullptr;
  error->GetDescription(&description);
  test::UniqueBstr owned(description);
  EXPECT_EQ(test::Narrow(description), "no such register");
  EXPECT_EQ(server->ReadRegister(21, &value), S_OK);
  EXPECT_EQ(server->ReadRegister(99, &value), S_OK);
  EXPECT_EQ(server->ReadRegister(100, &value), static_cast<HRESULT>(0x80040409));
  EXPECT_EQ(server->ReadRegister(255, &value), static_cast<HRESULT>(0x80040409));
  EXPECT_EQ(server->WriteRegister(20, 1), S_OK);  // other operations are not affected

  // The newest matching rule wins; a failed call changes no state.
  server->SetResult("ActivateCamera", E_FAIL);
  server->FailWhen("ActivateCamera", test::ArgEquals(0, 0), S_OK);
  EXPECT_EQ(server->ActivateCamera(1), E_FAIL);
  EXPECT_FALSE(server->CameraOn());
  EXPECT_EQ(server->ActivateCamera(0), S_OK);
  server->ClearResults();
  EXPECT_EQ(server->ActivateCamera(1), S_OK);
  EXPECT_TRUE(server->CameraOn());
}

TEST(HelpCatcher, ReceivesWhatWinHelpSends) {
  fw::UniqueWindow owner(
      CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
  test::HelpCatcher catcher;
  ASSERT_NE(catcher.Window(), nullptr);
  EXPECT_TRUE(WinHelpA(owner.Get(), "C:\\dir\\cmn_camera_control_rd.hlp", HELP_CONTEXT, 6));
  EXPECT_TRUE(WinHelpA(owner.Get(), "other.hlp", HELP_KEY, reinterpret_cast<ULONG_PTR>("zoom")));
  EXPECT_TRUE(WinHelpA(nullptr, "C:\\dir\\x.hlp", HELP_QUIT, 0));

  const auto& requests = catcher.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].file, "C:\\dir\\cmn_camera_control_rd.hlp");
  EXPECT_EQ(requests[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(requests[0].data, 6);
  EXPECT_EQ(requests[0].owner, owner.Get());
  EXPECT_EQ(requests[1].command, static_cast<UINT>(HELP_KEY));
  EXPECT_EQ(requests[1].dataText, "zoom");
  EXPECT_EQ(requests[2].command, static_cast<UINT>(HELP_QUIT));
  EXPECT_EQ(requests[2].owner, nullptr);
}

// ---- modal windows ----

// An empty dialog template with caption `title`, built in memory.
std::vector<WORD> DialogTemplate(const wchar_t* title) {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
  header->style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME;
  header->cx = 100;
  header->cy = 40;
  words.push_back(0);  // no menu
  words.push_back(0);  // the standard dialog class
  for (const wchar_t* c = title; *c; ++c)
    words.push_back(static_cast<WORD>(*c));
  words.push_back(0);
  return words;
}

INT_PTR CALLBACK EmptyDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

TEST(Modal, WatchdogEndsModalDialogsNobodyExpected) {
  test::ModalWatchdog::SetTimeouts(200, 60000);
  static int boxAnswer = 0;
  EXPECT_NONFATAL_FAILURE(boxAnswer = MessageBoxA(nullptr, "Surprise", "Unexpected", MB_OK),
                          "unexpected dialog: \"Unexpected\" Surprise");
  EXPECT_EQ(boxAnswer, IDCANCEL);

  // A modeless dialog (a test's own host window, say) is left alone; a
  // modal one that disabled its owner is ended.
  std::vector<WORD> modelessTemplate = DialogTemplate(L"Modeless");
  fw::UniqueWindow modeless(
      CreateDialogIndirectParamA(nullptr, reinterpret_cast<DLGTEMPLATE*>(modelessTemplate.data()),
                                 nullptr, EmptyDialogProc, 0));
  ASSERT_TRUE(modeless);
  static std::vector<WORD> modalTemplate = DialogTemplate(L"Modal One");
  static HWND owner = modeless.Get();
  static INT_PTR dialogAnswer = 0;
  EXPECT_NONFATAL_FAILURE(
      dialogAnswer = DialogBoxIndirectParamA(
          nullptr, reinterpret_cast<DLGTEMPLATE*>(modalTemplate.data()), owner, EmptyDialogProc, 0),
      "unexpected dialog: \"Modal One\"");
  EXPECT_EQ(dialogAnswer, IDCANCEL);
  test::PumpMessages(300);
  EXPECT_TRUE(IsWindow(modeless.Get()));
  EXPECT_EQ(test::ModalWatchdog::TakeEnded(), 2u);
  test::ModalWatchdog::ResetTimeouts();
}

}  // namespace
