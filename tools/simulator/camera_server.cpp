// The camera simulator as a local COM server: a program of its own that COM
// starts when a client asks for the camera function server class, so that
// the control talks to the simulated phone across a process boundary, as it
// would to a real server. The server's interfaces are marshalled through its
// registered type library.
//
//   camera_server.exe /RegServer     registers the class (LocalServer32) and
//                                    the type library
//   camera_server.exe /UnregServer   removes each of them where it still
//                                    names this program (a real server may
//                                    have registered the same class or type
//                                    library since)
//   camera_server.exe -Embedding     as COM starts it: serves one client until
//                                    its simulator and locks are gone
//
// Each client gets a process of its own (single use), so every client finds
// a freshly started phone.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstring>

#include "CameraControlFNLib.h"
#include "framework/com_object.h"
#include "framework/module.h"
#include "framework/registry_script.h"
#include "framework/type_library.h"
#include "tools/simulator/camera_simulator.h"

namespace {

constexpr WORD kRegistryScriptId = 1;
constexpr DWORD kMaxPath = 512;

// Simulators served and locks held by the client; when both are gone the
// server ends. Everything runs on the main thread (a single-threaded
// apartment).
LONG serverReferences = 0;

void AddRefServer() {
  ++serverReferences;
}

void ReleaseServer() {
  if (--serverReferences == 0) PostQuitMessage(0);
}

class ServedSimulator : public sim::CameraSimulator {
 public:
  ServedSimulator() { AddRefServer(); }
  ~ServedSimulator() override { ReleaseServer(); }
};

class SimulatorFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  // A static object: COM's references do not keep the server alive.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override {
    // Holds the server while the new object is made, so that a failed
    // creation still ends it.
    AddRefServer();
    HRESULT hr = fw::CreateComObject<ServedSimulator>(outer, iid, ppv);
    ReleaseServer();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      AddRefServer();
    else
      ReleaseServer();
    return S_OK;
  }
};

#ifdef _WIN64
const char kPlatform[] = "win64", kOtherPlatform[] = "win32";
#else
const char kPlatform[] = "win32", kOtherPlatform[] = "win64";
#endif

void GuidText(REFGUID guid, char (&text)[40]) {
  wchar_t wide[40];
  StringFromGUID2(guid, wide, 40);
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
}

// Whether the default value of HKCR\`key` names the file `path`, quoted or
// not, as this program's registration writes it.
bool NamesFile(const char* key, const char* path) {
  char value[kMaxPath + 2] = "";
  LONG size = sizeof value;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, key, value, &size) != ERROR_SUCCESS) return false;
  char* named = value;
  const size_t length = strlen(value);
  if (length >= 2 && value[0] == '"' && value[length - 1] == '"') {
    value[length - 1] = '\0';
    ++named;
  }
  return _stricmp(named, path) == 0;
}

// The keys whose values name the server's file: its class's LocalServer32
// and its type library's registration for `platform`.
bool ClassKey(char (&key)[128]) {
  char clsid[40];
  GuidText(CLSID_CameraControlFN, clsid);
  return snprintf(key, sizeof key, "CLSID\\%s\\LocalServer32", clsid) < int{sizeof key};
}

bool TypeLibraryKey(const char* path, const char* platform, char (&key)[128]) {
  fw::ComPtr<ITypeLib> library;
  TLIBATTR* attributes = nullptr;
  if (FAILED(fw::LoadTypeLibraryOf(path, &library)) || FAILED(library->GetLibAttr(&attributes)))
    return false;
  char libid[40];
  GuidText(attributes->guid, libid);
  const int length =
      snprintf(key, sizeof key, "TypeLib\\%s\\%x.%x\\%lx\\%s", libid, attributes->wMajorVerNum,
               attributes->wMinorVerNum, static_cast<unsigned long>(attributes->lcid), platform);
  library->ReleaseTLibAttr(attributes);
  return length < int{sizeof key};
}

// Removes this program's type library registration where the one for this
// platform still names this program. Where the same type library is also
// registered for the other platform, the interfaces' keys serve that
// registration as well: only this platform's key goes.
HRESULT UnregisterTypeLibrary(const char* path) {
  char key[128], otherKey[128];
  if (!TypeLibraryKey(path, kPlatform, key) || !NamesFile(key, path)) return S_OK;
  HKEY other = nullptr;
  if (!TypeLibraryKey(path, kOtherPlatform, otherKey) ||
      RegOpenKeyExA(HKEY_CLASSES_ROOT, otherKey, 0, KEY_READ, &other) != ERROR_SUCCESS)
    return fw::UnregisterTypeLibraryOf(path);
  RegCloseKey(other);
  return HRESULT_FROM_WIN32(RegDeleteKeyA(HKEY_CLASSES_ROOT, key));
}

HRESULT Register(bool install) {
  char path[kMaxPath];
  if (!fw::Module::FileName(path, kMaxPath)) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  const fw::ScriptReplacement replacements[] = {{"MODULE", path}};
  char classKey[128];
  HRESULT hr = S_OK;
  if (install || (ClassKey(classKey) && NamesFile(classKey, path)))
    hr = fw::RunRegistryScriptResource(GetModuleHandleA(nullptr), "REGISTRY", kRegistryScriptId,
                                       install, replacements, 1);
  HRESULT library = install ? fw::RegisterTypeLibraryOf(path) : UnregisterTypeLibrary(path);
  return FAILED(hr) ? hr : library;
}

int Serve() {
  SimulatorFactory factory;
  DWORD cookie = 0;
  HRESULT hr = CoRegisterClassObject(CLSID_CameraControlFN, &factory, CLSCTX_LOCAL_SERVER,
                                     REGCLS_SINGLEUSE, &cookie);
  if (FAILED(hr)) {
    fprintf(stderr, "camera_server: CoRegisterClassObject failed: 0x%08lx\n",
            static_cast<unsigned long>(hr));
    return 1;
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  CoRevokeClassObject(cookie);
  return 0;
}

bool IsOption(const char* argument, const char* name) {
  return (argument[0] == '/' || argument[0] == '-') && _stricmp(argument + 1, name) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) return 1;
  int status = 0;
  if (argc > 1 && (IsOption(argv[1], "RegServer") || IsOption(argv[1], "UnregServer"))) {
    const bool install = IsOption(argv[1], "RegServer");
    hr = Register(install);
    if (FAILED(hr)) {
      fprintf(stderr, "camera_server: %s failed: 0x%08lx\n", argv[1],
              static_cast<unsigned long>(hr));
      status = 1;
    }
  } else {
    status = Serve();
  }
  CoUninitialize();
  return status;
}
