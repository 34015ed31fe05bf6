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

HRESULT Unadvise(ICameraControlFN* server, DWORD cookie) {
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  server->QueryInterface(IID_PPV_ARGS(&container));
  container->FindConnectionPoint(DIID__ICameraControlFNEvents, &point);
  return point->Unadvise(cookie);
}

std::string TempFilePath() {
  char folder[MAX_PATH], path[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "kvr", 0, path);
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
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

TEST(FakeServerEvents, UnadviseStopsThemAndCookiesFollowComRules) {
  Server server = fw::Make<test::FakeCameraServer>();
  Sink first = fw::Make<RecordingSink>();
  Sink second = fw::Make<RecordingSink>();
  ULONG firstRefs = first->RefCount();
  DWORD cookie1 = 0, cookie2 = 0;
  ASSERT_EQ(Advise(server.Get(), first->InnerUnknown(), &cookie1), S_OK);
  ASSERT_EQ(Advise(server.Get(), second->InnerUnknown(), &cookie2), S_OK);
  EXPECT_EQ(cookie1, 1u);
  EXPECT_EQ(cookie2, 2u);
  EXPECT_EQ(server->AdvisedSinkCount(), 2u);
  EXPECT_GT(first->RefCount(), firstRefs);  // the server holds its sinks

  server->FireConnectionStateChanged(0);
  EXPECT_EQ(first->events.size(), 1u);
  EXPECT_EQ(second->events.size(), 1u);

  EXPECT_EQ(Unadvise(server.Get(), cookie1), S_OK);
  EXPECT_EQ(first->RefCount(), firstRefs);
  EXPECT_EQ(Unadvise(server.Get(), cookie1), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(Unadvise(server.Get(), 77), CONNECT_E_NOCONNECTION);
  server->FireConnectionStateChanged(1);
  EXPECT_EQ(first->events.size(), 1u);
  EXPECT_EQ(second->events.size(), 2u);

  EXPECT_EQ(Unadvise(server.Get(), cookie2), S_OK);
  EXPECT_EQ(server->AdvisedSinkCount(), 0u);
  EXPECT_EQ(server->FireConnectionStateChanged(1), S_FALSE);  // nobody listened
  EXPECT_EQ(second->events.size(), 2u);
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

TEST(FakeServerCalls, AreLoggedInOrderWithTheirInArguments) {
  Server server = fw::Make<test::FakeCameraServer>();
  ComPtr<ICameraControlFNTest> testInterface;
  ComPtr<ICameraControlFNEpoc> epoc;
  ASSERT_EQ(server.As(&testInterface), S_OK);
  ASSERT_EQ(server.As(&epoc), S_OK);
  long a = 0, b = 0, c = 0, d = 0, e = 0, f = 0, g = 0;
  BYTE value = 0, count = 0;
  test::UniqueBstr product = test::MakeBstr(L"img");

  server->GetConnectionState(&a);
  server->GetProductConfiguration(&a, 0, &b, &c, &d);
  server->ActivateViewFinder(0);
  server->ActivateCamera(1);
  server->ReadRegister(20, &value);
  server->WriteRegister(159, 255);
  server->CaptureToProduct(product.get(), 4, 8);
  server->GetCameraTestResults(&a, &b, &c, &d, &e, &f, &g);
  testInterface->StartCameraTest(1, 2048, 64, 3, 0);
  testInterface->CaptureCameraToProduct(product.get(), 2, 1, 64, 3, 2);
  epoc->GetCameraConfiguration(&a, 3, &b, &c, &d, &count, &e);

  EXPECT_EQ(server->CallStrings(),
            (std::vector<std::string>{
                "GetConnectionState()", "GetProductConfiguration(0)", "ActivateViewFinder(0)",
                "ActivateCamera(1)", "ReadRegister(20)", "WriteRegister(159,255)",
                "CaptureToProduct(\"img\",4,8)", "GetCameraTestResults()",
                "StartCameraTest(1,2048,64,3,0)", "CaptureCameraToProduct(\"img\",2,1,64,3,2)",
                "GetCameraConfiguration(3)"}));
  EXPECT_EQ(server->CallStrings("ActivateCamera"), std::vector<std::string>{"ActivateCamera(1)"});
  EXPECT_EQ(server->CallCount("ReadRegister"), 1u);
  EXPECT_EQ(server->Calls()[6].Text(), "img");
  EXPECT_EQ(server->Calls()[5].Number(1), 255);
  EXPECT_EQ(server->Calls()[5].Number(2), -1);
}

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

TEST(FakeServerCalls, AnswerFromTheStateTheTestSet) {
  Server server = fw::Make<test::FakeCameraServer>();
  server->SetProductMode(4);
  server->SetFormatMask(0x24);
  server->SetSizeMask(0x1000);
  server->SetConnectionState(0);
  server->SetTestResults({1, 2, 3, 4, 5, 6, 7});
  server->SetCameraCount(2);
  server->SetCameraConfig(2, {0x2000, 0x80, 1});

  long state = -1, mode = -1, reserved = -1, formats = -1, sizes = -1;
  server->GetConnectionState(&state);
  server->GetProductConfiguration(&mode, 0, &reserved, &formats, &sizes);
  EXPECT_EQ(state, 0);
  EXPECT_EQ(mode, 4);
  EXPECT_EQ(formats, 0x24);
  EXPECT_EQ(sizes, 0x1000);

  long r[7] = {};
  server->GetCameraTestResults(&r[0], &r[1], &r[2], &r[3], &r[4], &r[5], &r[6]);
  EXPECT_EQ(std::vector<long>(r, r + 7), (std::vector<long>{1, 2, 3, 4, 5, 6, 7}));

  long flash = -1;
  BYTE count = 0;
  server->GetCameraConfiguration(&reserved, 2, &reserved, &formats, &sizes, &count, &flash);
  EXPECT_EQ(formats, 0x2000);
  EXPECT_EQ(sizes, 0x80);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(flash, 1);
  server->GetCameraConfiguration(&reserved, 1, &reserved, &formats, &sizes, &count, &flash);
  test::CameraConfig standard;
  EXPECT_EQ(formats, standard.formatMask);
  EXPECT_EQ(flash, standard.flashCapability);

  BYTE value = 0;
  EXPECT_EQ(server->WriteRegister(28, 0x05), S_OK);
  EXPECT_EQ(server->ReadRegister(28, &value), S_OK);
  EXPECT_EQ(value, 0x05);
  EXPECT_EQ(server->Register(28), 0x05);

  // Camera and viewfinder are never on together.
  server->ActivateCamera(1);
  server->ActivateViewFinder(1);
  EXPECT_FALSE(server->CameraOn());
  EXPECT_TRUE(server->ViewFinderOn());
}

TEST(FakeServerCalls, ServerThatAnswersNothingLeavesOutValuesAndFilesAlone) {
  Server server = fw::Make<test::FakeCameraServer>();
  server->SetAnswersNothing(true);
  long state = 0x5eed, mode = 0x5eed;
  long unused = 0, formats = 0x5eed, sizes = 0x5eed;
  BYTE value = 0xAB;
  EXPECT_EQ(server->GetConnectionState(&state), S_OK);
  EXPECT_EQ(server->GetProductConfiguration(&mode, 0, &unused, &formats, &sizes), S_OK);
  EXPECT_EQ(server->ReadRegister(3, &value), S_OK);
  EXPECT_EQ(state, 0x5eed);
  EXPECT_EQ(mode, 0x5eed);
  EXPECT_EQ(formats, 0x5eed);
  EXPECT_EQ(value, 0xAB);

  std::string path = TempFilePath();  // created empty
  test::UniqueBstr wide = test::MakeBstr(test::Widen(path).c_str());
  EXPECT_EQ(server->CaptureToFile(wide.get(), 4, 64, 0), S_OK);
  EXPECT_EQ(ReadFile(path), "");
  DeleteFileA(path.c_str());
  EXPECT_EQ(server->CallCount("CaptureToFile"), 1u);
}

TEST(FakeServerCalls, CapturesWriteTheirContentToThePath) {
  Server server = fw::Make<test::FakeCameraServer>();
  ComPtr<ICameraControlFNTest> testInterface;
  ASSERT_EQ(server.As(&testInterface), S_OK);
  std::string path = TempFilePath();
  test::UniqueBstr wide = test::MakeBstr(test::Widen(path).c_str());

  EXPECT_EQ(server->CaptureToFile(wide.get(), 4, 64, 0), S_OK);
  EXPECT_FALSE(ReadFile(path).empty());

  server->SetCaptureContent(std::string("\xFF\xD8\0\x01", 4));
  server->SetResult("CaptureCameraToFile", 0x00040401);  // partial data, still written
  EXPECT_EQ(testInterface->CaptureCameraToFile(wide.get(), 1, 4, 64, 3, 0, 1), 0x00040401);
  EXPECT_EQ(ReadFile(path), std::string("\xFF\xD8\0\x01", 4));
  EXPECT_EQ(server->Calls().back().Text(), path);

  DeleteFileA(path.c_str());
  server->SetResult("CaptureToFile", 0x80040405);
  EXPECT_EQ(server->CaptureToFile(wide.get(), 4, 64, 0), static_cast<HRESULT>(0x80040405));
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);

  test::UniqueBstr nowhere = test::MakeBstr(L"C:\\no such folder\\x.jpg");
  EXPECT_TRUE(FAILED(testInterface->CaptureCameraToFile(nowhere.get(), 1, 4, 64, 3, 0, 0)));
}

TEST(FakeServerCalls, InterfacesCanBeWithheld) {
  Server server = fw::Make<test::FakeCameraServer>();
  ComPtr<ICameraControlFNTest> testInterface;
  ComPtr<ICameraControlFNEpoc> epoc;
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(server.As(&dispatch), S_OK);
  EXPECT_EQ(dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            E_NOTIMPL);

  server->Offer(IID_ICameraControlFNTest, false);
  server->Offer(IID_IConnectionPointContainer, false);
  EXPECT_EQ(server.As(&testInterface), E_NOINTERFACE);
  EXPECT_EQ(server.As(&container), E_NOINTERFACE);
  EXPECT_EQ(server.As(&epoc), S_OK);
  server->Offer(IID_ICameraControlFNTest, true);
  EXPECT_EQ(server.As(&testInterface), S_OK);
  EXPECT_EQ(server.As(&container), E_NOINTERFACE);
}

TEST(FakeServerCalls, HookRunsInsideTheCall) {
  // A server that reports the test result before StartCameraTest returns.
  Server server = fw::Make<test::FakeCameraServer>();
  Sink sink = fw::Make<RecordingSink>();
  DWORD cookie = 0;
  ASSERT_EQ(Advise(server.Get(), sink->InnerUnknown(), &cookie), S_OK);
  size_t eventsDuringCall = 0;
  server->SetCallHook([&](const test::ServerCall& call) {
    if (call.name == "StartCameraTest") server->FireCameraTestFinished({1, 1, 1, 1, 1, 1, 1});
    eventsDuringCall = sink->events.size();
  });
  ComPtr<ICameraControlFNTest> testInterface;
  ASSERT_EQ(server.As(&testInterface), S_OK);
  EXPECT_EQ(testInterface->StartCameraTest(1, 2048, 64, 3, 0), S_OK);
  EXPECT_EQ(eventsDuringCall, 1u);
}

// ---- host components ----

TEST(MessageRecorder, RecordsWhatTheHostComponentIsAsked) {
  ComPtr<IHostMessageBox> box;
  ASSERT_EQ(CoCreateInstance(CLSID_HostMessageBox, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&box)), S_OK);
  test::UniqueBstr text = test::MakeBstr(L"Some text"), title = test::MakeBstr(L"A title"),
                   description = test::MakeBstr(L"why");
  long result = -1;
  EXPECT_EQ(
      box->ShowMessageBox(text.get(), title.get(), 0x80040411, description.get(), 16, 1, &result),
      S_OK);
  EXPECT_EQ(result, 1);
  test::MessageRecorder::SetAnswer(7);
  result = -1;
  EXPECT_EQ(box->ShowMessageBox(text.get(), title.get(), 0, nullptr, 64, 1, &result), S_OK);
  EXPECT_EQ(result, 7);

  const auto& messages = test::MessageRecorder::Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text, "Some text");
  EXPECT_EQ(messages[0].title, "A title");
  EXPECT_EQ(messages[0].hr, static_cast<HRESULT>(0x80040411));
  EXPECT_EQ(messages[0].description, "why");
  EXPECT_EQ(messages[0].flags, 16);
  EXPECT_EQ(messages[0].option, 1);
  EXPECT_EQ(messages[0].resultPreset, -1);
  EXPECT_EQ(messages[1].description, "");
  EXPECT_EQ(messages[1].flags, 64);
}

TEST(MessageRecorder, CanBeUnavailableOrFailing) {
  ComPtr<IHostMessageBox> box;
  {
    test::MessageRecorder::Unavailable off;
    EXPECT_TRUE(
        FAILED(CoCreateInstance(CLSID_HostMessageBox, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&box))));
  }
  ASSERT_EQ(CoCreateInstance(CLSID_HostMessageBox, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&box)), S_OK);

  test::MessageRecorder::SetFailure(E_FAIL);
  test::UniqueBstr text = test::MakeBstr(L"t");
  long result = -1;
  EXPECT_EQ(box->ShowMessageBox(text.get(), text.get(), 0, nullptr, 16, 1, &result), E_FAIL);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(test::MessageRecorder::Messages().size(), 1u);
}

TEST(FakeHelpResolver, AnswersAsChosenWhileItLives) {
  auto resolve = [](const wchar_t* path, std::string* answer) {
    ComPtr<IHelpFileResolver> resolver;
    HRESULT hr =
        CoCreateInstance(CLSID_HelpFileResolver, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&resolver));
    if (FAILED(hr)) return hr;
    test::UniqueBstr asked = test::MakeBstr(path);
    long reserved = 0;
    BSTR resolved = reinterpret_cast<BSTR>(1);
    hr = resolver->ResolveHelpFile(asked.get(), &reserved, &resolved);
    test::UniqueBstr owned(resolved);
    *answer = resolved ? test::Narrow(resolved) : "(null)";
    return hr;
  };
  std::string answer;
  {
    test::FakeHelpResolver resolver;
    EXPECT_EQ(resolve(L"C:\\a\\x.hlp", &answer), S_OK);
    EXPECT_EQ(answer, "C:\\a\\x.hlp");
    resolver.ResolveTo(L"D:\\moved\\x.hlp");
    EXPECT_EQ(resolve(L"C:\\a\\y.hlp", &answer), S_OK);
    EXPECT_EQ(answer, "D:\\moved\\x.hlp");
    resolver.ResolveToEmpty();
    EXPECT_EQ(resolve(L"z", &answer), S_OK);
    EXPECT_EQ(answer, "");
    resolver.ResolveToNull();
    EXPECT_EQ(resolve(L"z", &answer), S_OK);
    EXPECT_EQ(answer, "(null)");
    resolver.Fail(E_ACCESSDENIED);
    EXPECT_EQ(resolve(L"w", &answer), E_ACCESSDENIED);
    EXPECT_EQ(answer, "(null)");
    EXPECT_EQ(resolver.Asked(),
              (std::vector<std::string>{"C:\\a\\x.hlp", "C:\\a\\y.hlp", "z", "z", "w"}));
  }
  EXPECT_TRUE(FAILED(resolve(L"C:\\a\\x.hlp", &answer)));
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

TEST(Modal, ExpectMessageBoxReadsAndDismissesBoxes) {
  fw::UniqueWindow owner(CreateWindowA("STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                       nullptr, nullptr, nullptr, nullptr));
  test::ExpectMessageBox boxes(2);
  EXPECT_EQ(MessageBoxA(nullptr, "First text\r\nsecond line", "Error Title", MB_ICONHAND), IDOK);
  EXPECT_EQ(MessageBoxA(owner.Get(), "Info text", "Info Title", MB_ICONASTERISK), IDOK);
  ASSERT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(boxes.Seen()[0].caption, "Error Title");
  EXPECT_EQ(boxes.Seen()[0].text, "First text\r\nsecond line");
  EXPECT_EQ(boxes.Seen()[0].icon, static_cast<UINT>(MB_ICONHAND));
  EXPECT_EQ(boxes.Seen()[0].owner, nullptr);
  EXPECT_EQ(boxes.Last().caption, "Info Title");
  EXPECT_EQ(boxes.Last().icon, static_cast<UINT>(MB_ICONASTERISK));
  EXPECT_EQ(boxes.Last().owner, owner.Get());
}

TEST(Modal, WhenDialogActsOnlyOnItsDialog) {
  fw::UniqueWindow owner(CreateWindowA("STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                       nullptr, nullptr, nullptr, nullptr));
  test::ExpectMessageBox others(2);
  std::string seenText;
  test::WhenDialog question("Question", [&](HWND dialog) {
    seenText = test::WindowText(test::FindChildById(dialog, 0xFFFF));
    test::ClickButton(dialog, IDCANCEL);
  });
  question.OwnedBy(owner.Get());

  EXPECT_EQ(MessageBoxA(nullptr, "a", "Question", MB_OKCANCEL), IDOK);  // not its owner
  EXPECT_EQ(MessageBoxA(owner.Get(), "b", "Other", MB_OKCANCEL), IDOK);
  EXPECT_EQ(MessageBoxA(owner.Get(), "Go on?", "Question", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(question.Handled(), 1u);
  EXPECT_EQ(seenText, "Go on?");
  EXPECT_EQ(others.Count(), 2u);

  test::WhenDialog late("Later", [](HWND dialog) { test::ClickButton(dialog, IDOK); });
  late.After(300);
  DWORD start = GetTickCount();
  EXPECT_EQ(MessageBoxA(nullptr, "c", "Later", MB_OK), IDOK);
  EXPECT_GE(GetTickCount() - start, 300u);
}

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

bool timerFired = false;
void CALLBACK SetTimerFired(HWND, UINT, UINT_PTR, DWORD) {
  timerFired = true;
}

TEST(Modal, PumpUntilRunsTheMessageLoopUntilTheCondition) {
  timerFired = false;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, SetTimerFired);
  EXPECT_TRUE(test::PumpUntil([] { return timerFired; }, 5000));
  KillTimer(nullptr, timer);
  DWORD start = GetTickCount();
  EXPECT_FALSE(test::PumpUntil([] { return false; }, 100));
  EXPECT_GE(GetTickCount() - start, 100u);
}

}  // namespace
