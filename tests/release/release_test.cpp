// The release as a host developer gets it: dist/<version>/ (KVR_RELEASE_DIR),
// the DLL and installer of this program's pointer size, under Wine in a
// prefix where nothing of the product is registered. Every session with the
// control runs in a copy of this program in a folder of its own (--session
// MODE DLL), so that this process never loads the DLL and the installer can
// always replace or remove it.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <ole2.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "CameraControlFNLib.h"
#include "HostFramework.h"
#include "KVRCmnCameraControlUI.h"
#include "resources/resource.h"
#include "tools/container/control_container.h"
#include "tools/simulator/camera_simulator.h"

namespace {

using fw::ComPtr;
using Strings = std::vector<std::string>;

const std::string kArch = sizeof(void*) == 8 ? "x64" : "x86", kDll = "KVRCmnCameraControlUI.dll";

// A path of the Unix file system as Wine's drive Z: shows it, a relative one made full.
std::string WindowsPath(std::string path) {
  char full[MAX_PATH];
  for (char& c : path)
    if (c == '/') c = '\\';
  return path[0] == '\\' ? "Z:" + path : (GetFullPathNameA(path.c_str(), MAX_PATH, full, 0), full);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const char* const kReleaseEnv = getenv("KVR_RELEASE_DIR");
const std::string kRelease = WindowsPath(kReleaseEnv ? kReleaseEnv : "/");
const std::string kVersion = kRelease.substr(kRelease.find_last_of('\\') + 1);
const std::string kReleaseDll = kRelease + "\\" + kArch + "\\" + kDll;
const std::string kMsi = kRelease + "\\KVRCmnCameraControlUI-" + kVersion + "-" + kArch + ".msi";
const std::string kOlderDll = WindowsPath(KVR_OLDER_DLL), kOlderMsi = WindowsPath(KVR_OLDER_MSI);

// Runs `command` in `folder` with our console and standard handles; its exit code.
DWORD Execute(std::string command, const char* folder = nullptr) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  DWORD code = 0xFFFFFFFF;
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, folder, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread), CloseHandle(process.hProcess);
  }
  return code;
}

void Copy(const std::string& from, const std::string& to) {
  EXPECT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

// A new folder `name` with what a host without registration puts beside itself:
// the release's DLL, the sample manifest as `manifest`, the server's type library.
std::string StageHost(const std::string& name, const std::string& manifest) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "kvr-release-" + kArch + "\\" + name;
  Execute("cmd /c rmdir /s /q \"" + folder + "\" >nul 2>nul");
  SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
  Copy(kReleaseDll, folder + "\\" + kDll);
  Copy(WindowsPath("sdk/samples/host.exe.manifest"), folder + "\\" + manifest);
  Copy(WindowsPath("generated/CameraControlFNLib.tlb"), folder + "\\CameraControlFNLib.tlb");
  return folder;
}

// Runs a session with the control in a copy of this program in `folder`.
DWORD Session(const std::string& folder, const char* mode, const std::string& dll) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  Copy(self, folder + "\\host.exe");
  return Execute("\"" + folder + "\\host.exe\" --session " + mode + " \"" + dll + "\"",
                 folder.c_str());
}

// The first column of the first row that `sql` selects in the installer `msi`.
std::string MsiQuery(const std::string& msi, const std::string& sql) {
  MSIHANDLE database = 0, view = 0, record = 0;
  char text[256] = "";
  DWORD length = sizeof text;
  if (!MsiOpenDatabaseA(msi.c_str(), MSIDBOPEN_READONLY, &database) &&
      !MsiDatabaseOpenViewA(database, sql.c_str(), &view) && !MsiViewExecute(view, 0) &&
      !MsiViewFetch(view, &record))
    MsiRecordGetStringA(record, 1, text, &length);
  for (MSIHANDLE handle : {record, view, database})
    if (handle) MsiCloseHandle(handle);
  return text;
}

std::string MsiProperty(const std::string& msi, const std::string& name) {
  return MsiQuery(msi, "SELECT `Value` FROM `Property` WHERE `Property` = '" + name + "'");
}

// One version (the release folder's name, from VERSION) in the DLL's fixed
// and text versions, its manifest, the installer and the file names.
TEST(Versions, OneVersionInTheDllItsManifestTheInstallerAndTheFileNames) {
  std::vector<char> data(GetFileVersionInfoSizeA(kReleaseDll.c_str(), nullptr) + 1);
  ASSERT_TRUE(GetFileVersionInfoA(kReleaseDll.c_str(), 0, data.size(), data.data()));
  Strings versions = {MsiProperty(kMsi, "ProductVersion"),
                      MsiQuery(kMsi, "SELECT `Version` FROM `File`")};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  for (const DWORD* word : {&fixed->dwFileVersionMS, &fixed->dwProductVersionMS})
    versions.push_back(std::to_string(HIWORD(word[0])) + "." + std::to_string(LOWORD(word[0])) +
                       "." + std::to_string(HIWORD(word[1])) + "." +
                       std::to_string(LOWORD(word[1])));
  for (const std::string name : {"FileVersion", "ProductVersion"}) {
    char* text = nullptr;
    VerQueryValueA(data.data(), ("\\StringFileInfo\\040904e4\\" + name).c_str(),
                   reinterpret_cast<void**>(&text), &length);
    versions.push_back(text ? text : "");
  }
  EXPECT_EQ(versions, Strings(versions.size(), kVersion));
  EXPECT_NE(ReadFile(kReleaseDll)
                .find("<assemblyIdentity type=\"win32\" name=\"KVRCmnCameraControlUI\" version=\"" +
                      kVersion + "\" processorArchitecture=\"" +
                      (kArch == "x64" ? "amd64" : "x86") + "\"/>"),
            std::string::npos);  // in the manifest, resource 1
  EXPECT_TRUE(Exists(kRelease + "\\KVRCmnCameraControlUI-" + kVersion + "-symbols.zip"));
}

// Set by --session MODE DLL: how the session finds the control, and its file.
std::string sessionMode, sessionDll;

// Active while it lives: from a manifest file, or resource 1 of a module.
struct ActivationContext {
  ActivationContext(const std::string& source, DWORD flags) {
    ACTCTXA context = {sizeof context,      flags,   source.c_str(), 0, 0, nullptr,
                       MAKEINTRESOURCEA(1), nullptr, nullptr};
    if ((handle = CreateActCtxA(&context)) != INVALID_HANDLE_VALUE) ActivateActCtx(handle, &cookie);
  }
  ~ActivationContext() {
    if (handle != INVALID_HANDLE_VALUE) DeactivateActCtx(0, cookie), ReleaseActCtx(handle);
  }
  HANDLE handle;
  ULONG_PTR cookie = 0;
};

HRESULT Create(ComPtr<IOleObject>& control) {
  return CoCreateInstance(CLSID_CameraControlUI, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(&control));
}

// The control by its class id (ProgIDs, misc status and type libraries as a
// host looks them up), in place in the tests' container, with the simulator:
// Go, the phone unplugged and plugged in again (events read through the server's type library).
void RunControl() {
  CLSID id;
  DWORD status = 0;
  ComPtr<ITypeLib> library[2];
  EXPECT_EQ(CLSIDFromProgID(L"KVR.Cmn.CameraControlUI", &id), S_OK);
  EXPECT_EQ(CLSIDFromProgID(L"KVR.Cmn.CameraControlUI.1", &id), S_OK);
  EXPECT_EQ(OleRegGetMiscStatus(CLSID_CameraControlUI, DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 131473u);  // the registry script's MiscStatus\1
  EXPECT_EQ(LoadRegTypeLib(LIBID_KVRCmnCameraControlUILib, 1, 0, 0, &library[0]), S_OK);
  EXPECT_EQ(LoadRegTypeLib(LIBID_CameraControlFNLib, 1, 0, 0, &library[1]), S_OK);
  ComPtr<IOleObject> control;
  ASSERT_EQ(Create(control), S_OK);
  char loaded[MAX_PATH] = "";
  GetModuleFileNameA(GetModuleHandleA(kDll.c_str()), loaded, MAX_PATH);
  EXPECT_EQ(lstrcmpiA(loaded, sessionDll.c_str()), 0) << loaded;
  auto simulator = fw::Make<sim::CameraSimulator>(2);
  ComPtr<ICameraControlFNClient> client;
  ComPtr<IGoClient> go;
  ASSERT_TRUE(SUCCEEDED(control.As(&client)) && SUCCEEDED(control.As(&go)));
  ASSERT_EQ(client->SetServer(simulator.Get()), S_OK);
  host::ControlContainer container;
  ASSERT_EQ(container.Activate(control.Get(), OLEIVERB_UIACTIVATE), S_OK);
  ASSERT_EQ(go->Go(), S_OK);
  for (bool connected : {false, true}) {
    simulator->SetConnected(connected);
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);)
      TranslateMessage(&msg), DispatchMessageA(&msg);
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(container.ControlWindow(), IDC_CAMERA_ON)) != FALSE,
              connected);
  }
  container.Deactivate();
  client->SetServer(nullptr);
}

// Only in the copies that RegistrationFree and Installer start (the DLL
// loaded must be the session's: a registered one elsewhere does not count).
// A plug-in gets nothing without its activation context; with the one of
// the DLL's own manifest the class can be made, with the plug-in's manifest
// (which names the DLL's assembly and the server's type library) it runs.
TEST(Session, MakesTheControlAndRunsIt) {
  HKEY key = nullptr;  // the server's type library comes from the manifests only
  ASSERT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, "TypeLib\\{3591324A-092B-48F4-A15E-0A90F5E914B9}", 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  if (sessionMode != "plugin") return RunControl();
  ComPtr<IOleObject> made;
  EXPECT_EQ(Create(made), REGDB_E_CLASSNOTREG);
  {
    ActivationContext own(sessionDll, ACTCTX_FLAG_RESOURCE_NAME_VALID);
    EXPECT_EQ(Create(made), S_OK);
    made.Reset();
  }
  ActivationContext plugin(
      sessionDll.substr(0, sessionDll.find_last_of('\\')) + "\\camera_plugin.manifest", 0);
  ASSERT_NE(plugin.handle, INVALID_HANDLE_VALUE);
  RunControl();
}

// The control beside a host with an application manifest, and beside a
// plug-in in a subfolder with the plug-in's own manifest; nothing registered.
TEST(RegistrationFree, AHostWithAnApplicationManifestAndAPlugInWithItsContext) {
  const std::string app = StageHost("app", "host.exe.manifest");
  EXPECT_EQ(Session(app, "app", app + "\\" + kDll), 0u);
  const std::string plugin = StageHost("plugin-host\\plugin", "camera_plugin.manifest");
  EXPECT_EQ(Session(plugin.substr(0, plugin.size() - 7), "plugin", plugin + "\\" + kDll), 0u);
}

// Every key and value of HKLM\Software and HKCU\Software as Wine saves them (one
// RegSaveKey each: walking 65000 keys takes seconds) but Windows Installer's and Wine's own.
using Snapshot = std::set<std::string>;

Snapshot Registry() {
  HANDLE token;  // saving a key takes the backup privilege
  TOKEN_PRIVILEGES backup = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
  OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token);
  LookupPrivilegeValueA(nullptr, SE_BACKUP_NAME, &backup.Privileges[0].Luid);
  AdjustTokenPrivileges(token, FALSE, &backup, 0, nullptr, nullptr);
  CloseHandle(token);
  char temp[MAX_PATH];
  const std::string file = std::string(temp, GetTempPathA(MAX_PATH, temp)) + "kvr-registry.txt";
  Snapshot entries;
  for (const std::string root : {"HKLM", "HKCU"}) {
    HKEY software;
    DeleteFileA(file.c_str());
    RegOpenKeyExA(root == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, "Software", 0, KEY_READ,
                  &software);
    EXPECT_EQ(RegSaveKeyA(software, file.c_str(), nullptr), ERROR_SUCCESS);
    RegCloseKey(software);
    std::ifstream in(file);
    std::string path;
    for (std::string line; std::getline(in, line);) {
      if (line[0] == '[') path = root + line.substr(0, line.find(']') + 1);  // [Key\\Sub] time
      if (!line.empty() && line[0] != '#' && line[0] != ';' && path.find(root + "[Wine") &&
          path.find("HKLM[Classes\\\\Installer") &&
          path.find("HKLM[Microsoft\\\\Windows\\\\CurrentVersion\\\\Installer"))
        entries.insert(line[0] == '[' ? path : path + " " + line);
    }
  }
  return entries;
}

// As lines, the entries of `a` not in `b`, and those of `b` not in `a`.
std::string Difference(const Snapshot& a, const Snapshot& b) {
  std::string text;
  for (const auto& [from, to, sign] : {std::tuple(&a, &b, "+ "), std::tuple(&b, &a, "- ")})
    for (const std::string& entry : *from)
      if (!to->count(entry)) text += sign + entry + "\n";
  return text;
}

// Each step of msiexec and what it leaves: the product installed (current or
// older) with its file, registry rows that registering the current DLL itself
// does not change, and a control made from the registry by a host whose
// manifest names the server's type library only; or nothing at all of it.
TEST(Installer, InstallRefuseDowngradeUninstallUpgradeUninstall) {
  char programs[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programs);
  const std::string folder = programs + std::string("\\KVR"),
                    installed = folder + "\\CameraControlUI\\" + kDll;
  const std::string upgradeCode = MsiProperty(kMsi, "UpgradeCode");
  const Snapshot clean = Registry();
  const struct {
    const char *step, *option;
    bool older, succeeds;
    const std::string* leaves;  // the installer of the product left, or none
  } steps[] = {{"install", "/i", false, true, &kMsi},
               {"downgrade", "/i", true, false, &kMsi},
               {"uninstall", "/x", false, true, nullptr},
               {"older", "/i", true, true, &kOlderMsi},
               {"upgrade", "/i", false, true, &kMsi},
               {"uninstall after upgrade", "/x", false, true, nullptr}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    const DWORD exit = Execute(std::string("msiexec ") + s.option + " \"" +
                               (s.older ? kOlderMsi : kMsi) + "\" /qn");
    ASSERT_EQ(exit == 0, s.succeeds) << exit;
    Strings products;
    char product[39];
    for (DWORD i = 0; MsiEnumRelatedProductsA(upgradeCode.c_str(), 0, i, product) == 0; ++i)
      products.push_back(product);
    EXPECT_EQ(products, s.leaves ? Strings{MsiProperty(*s.leaves, "ProductCode")} : Strings{});
    const Snapshot now = Registry();
    if (!s.leaves) {
      EXPECT_EQ(Difference(now, clean), "");
      EXPECT_FALSE(Exists(folder));
      continue;
    }
    EXPECT_EQ(ReadFile(installed), ReadFile(s.leaves == &kMsi ? kReleaseDll : kOlderDll));
    if (s.leaves == &kMsi) {
      EXPECT_EQ(Execute("regsvr32 /s \"" + installed + "\""), 0u);
      EXPECT_EQ(Difference(Registry(), now), "");
    }
    const std::string host = StageHost("installed", "host.exe.manifest");
    std::string manifest = ReadFile(host + "\\host.exe.manifest");
    const size_t dependency = manifest.find("<dependency>");
    manifest.erase(dependency, manifest.find("</dependency>") + 13 - dependency);
    std::ofstream(host + "\\host.exe.manifest", std::ios::binary) << manifest;
    DeleteFileA((host + "\\" + kDll).c_str());
    EXPECT_EQ(Session(host, "installed", installed), 0u);
  }
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc == 4 && std::string(argv[1]) == "--session") {
    sessionMode = argv[2];
    sessionDll = argv[3];
    testing::GTEST_FLAG(filter) = "Session.*";
  } else if (!kReleaseEnv) {
    fprintf(stderr, "KVR_RELEASE_DIR names dist/<version>\n");
    return 1;
  } else if (testing::GTEST_FLAG(filter) == "*") {
    testing::GTEST_FLAG(filter) = "-Session.*";
  }
  return FAILED(OleInitialize(nullptr)) ? 2 : RUN_ALL_TESTS();
}
