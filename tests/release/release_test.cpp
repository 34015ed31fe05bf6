// The release as a host developer gets it: dist/<version>/ (KVR_RELEASE_DIR),
// the DLL and installer of this program's pointer size, under Wine in a
// prefix where nothing of the product is registered. Every session with the
// control runs in a copy of this program in a folder of its own (--session
// MODE DLL), so that this process never loads the DLL and the installer can
// always replace or remove it.
#include <windows.h>
#include <commctrl.h>
#include <msi.h>
#include <msiquery.h>
#include <ole2.h>
#include <prsht.h>
#include <shlobj.h>
#include <softpub.h>
#include <wintrust.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
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

const bool k64 = sizeof(void*) == 8;
const std::string kArch = k64 ? "x64" : "x86", kDll = "KVRCmnCameraControlUI.dll";
const char kClassKey[] = "CLSID\\{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}";

// A path of the Unix file system as Wine's drive Z: shows it.
std::string WindowsPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path.empty() || path[0] != '\\' ? path : "Z:" + path;
}

std::string FullPath(const std::string& path) {
  char full[MAX_PATH];
  return GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr) ? full : path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const char* const kReleaseEnv = getenv("KVR_RELEASE_DIR");
const std::string kRelease = WindowsPath(kReleaseEnv ? kReleaseEnv : "");
const std::string kVersion = kRelease.substr(kRelease.find_last_of('\\') + 1);
const std::string kReleaseDll = kRelease + "\\" + kArch + "\\" + kDll;
const std::string kMsi = kRelease + "\\KVRCmnCameraControlUI-" + kVersion + "-" + kArch + ".msi";

// Runs `command` with our console in `folder`; its exit code.
DWORD Execute(const std::string& command, const char* folder = nullptr) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process;
  std::string line = command;
  DWORD code = 0xFFFFFFFF;
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, folder, &startup,
                      &process))
    return code;
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// A new empty folder for this program's staged copies.
std::string StageFolder(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "kvr-release-" + kArch + "\\" + name;
  Execute("cmd /c rmdir /s /q \"" + folder + "\" >nul 2>nul");
  SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
  return folder;
}

void Copy(const std::string& from, const std::string& to) {
  EXPECT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

// Runs a session with the control in a copy of this program in `folder`.
DWORD Session(const std::string& folder, const char* mode, const std::string& dll) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  Copy(self, folder + "\\host.exe");
  return Execute("\"" + folder + "\\host.exe\" --session " + mode + " \"" + dll + "\"",
                 folder.c_str());
}

// The file version, product version and their two texts, or empty.
Strings FileVersions(const std::string& path) {
  std::vector<char> data(GetFileVersionInfoSizeA(path.c_str(), nullptr));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (data.empty() || !GetFileVersionInfoA(path.c_str(), 0, data.size(), data.data()) ||
      !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length))
    return {};
  const auto dotted = [](DWORD high, DWORD low) {
    return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." +
           std::to_string(HIWORD(low)) + "." + std::to_string(LOWORD(low));
  };
  Strings versions = {dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS),
                      dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS)};
  for (const char* name : {"FileVersion", "ProductVersion"}) {
    char* text = nullptr;
    const std::string query = std::string("\\StringFileInfo\\040904e4\\") + name;
    const bool found =
        VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length);
    versions.push_back(found ? text : "");
  }
  return versions;
}

// The value of attribute `name` of the first `element` of the DLL's manifest.
std::string ManifestAttribute(const std::string& element, const std::string& name) {
  HMODULE module = LoadLibraryExA(kReleaseDll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC found = module ? FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) : nullptr;
  std::string xml;
  if (found)
    xml.assign(static_cast<const char*>(LockResource(LoadResource(module, found))),
               SizeofResource(module, found));
  if (module) FreeLibrary(module);
  const size_t at = xml.find("<" + element + " "), end = xml.find('>', at);
  size_t value = xml.find(" " + name + "=\"", at);
  if (at == std::string::npos || value > end) return "";
  value += name.size() + 3;
  return xml.substr(value, xml.find('"', value) - value);
}

std::string MsiQuery(const std::string& msi, const std::string& sql) {
  MSIHANDLE database = 0, view = 0, record = 0;
  char text[256] = "";
  DWORD length = sizeof text;
  if (MsiOpenDatabaseA(msi.c_str(), MSIDBOPEN_READONLY, &database) == ERROR_SUCCESS &&
      MsiDatabaseOpenViewA(database, sql.c_str(), &view) == ERROR_SUCCESS &&
      MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &record) == ERROR_SUCCESS)
    MsiRecordGetStringA(record, 1, text, &length);
  for (MSIHANDLE handle : {record, view, database})
    if (handle) MsiCloseHandle(handle);
  return text;
}

std::string MsiProperty(const std::string& msi, const std::string& name) {
  return MsiQuery(msi, "SELECT `Value` FROM `Property` WHERE `Property` = '" + name + "'");
}

// One version in VERSION, the DLL's fields, its manifest, the installer and the file names.
TEST(Versions, OneVersionInTheDllItsManifestTheInstallerAndTheFileNames) {
  const std::string source = ReadFile(WindowsPath(KVR_SOURCE_DIR "/VERSION"));
  EXPECT_EQ(source.substr(0, source.find_first_of("\r\n")), kVersion);
  EXPECT_EQ(FileVersions(kReleaseDll), Strings(4, kVersion));
  EXPECT_EQ(ManifestAttribute("assemblyIdentity", "version"), kVersion);
  EXPECT_EQ(ManifestAttribute("assemblyIdentity", "name"), "KVRCmnCameraControlUI");
  EXPECT_EQ(ManifestAttribute("assemblyIdentity", "processorArchitecture"), k64 ? "amd64" : "x86");
  EXPECT_EQ(MsiProperty(kMsi, "ProductVersion"), kVersion);
  EXPECT_EQ(MsiQuery(kMsi, "SELECT `Version` FROM `File`"), kVersion);
  for (const char* name : {"-sdk.zip", "-symbols.zip"})
    EXPECT_TRUE(Exists(kRelease + "\\KVRCmnCameraControlUI-" + kVersion + name)) << name;
}

LONG Trust(const std::string& path) {
  const std::wstring wide(path.begin(), path.end());
  WINTRUST_FILE_INFO file = {sizeof file, wide.c_str(), nullptr, nullptr};
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return result;
}

// The signed DLL and installer hold (the certificate may be a throwaway one
// no root vouches for); a DLL changed after signing and the older, unsigned
// release are refused. Wine 8 does not compute an installer's digest: a
// changed installer is release_files.sh's to refuse.
TEST(Signatures, SignedFilesHoldAndUnsignedOrTamperedCopiesAreRefused) {
  for (const std::string& file : {kReleaseDll, kMsi}) {
    const LONG result = Trust(file);
    EXPECT_TRUE(result == ERROR_SUCCESS || result == CERT_E_UNTRUSTEDROOT ||
                result == CERT_E_CHAINING)
        << file << std::hex << ": 0x" << result;
  }
  std::string bytes = ReadFile(kReleaseDll);
  bytes[bytes.size() / 2] ^= 0x5A;
  const std::string tampered = StageFolder("tampered") + "\\" + kDll;
  std::ofstream(tampered, std::ios::binary) << bytes;
  EXPECT_EQ(Trust(tampered), TRUST_E_BAD_DIGEST);
  EXPECT_EQ(Trust(FullPath(KVR_OLDER_DLL)), TRUST_E_NOSIGNATURE);
  EXPECT_EQ(Trust(FullPath(KVR_OLDER_MSI)), TRUST_E_NOSIGNATURE);
}

// Set by --session MODE DLL: how the session finds the control, and its file.
std::string sessionMode, sessionDll;

bool Registered(const std::string& key) {
  HKEY opened;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened)) return false;
  return RegCloseKey(opened), true;
}

// Active while it lives: from a manifest file, or resource 1 of a module.
struct ActivationContext {
  ActivationContext(const std::string& source, bool resource) {
    const DWORD flags = resource ? ACTCTX_FLAG_RESOURCE_NAME_VALID : 0;
    ACTCTXA context = {sizeof context,      flags,   source.c_str(), 0, 0, nullptr,
                       MAKEINTRESOURCEA(1), nullptr, nullptr};
    handle = CreateActCtxA(&context);
    if (handle != INVALID_HANDLE_VALUE) ActivateActCtx(handle, &cookie);
  }
  ~ActivationContext() {
    if (handle != INVALID_HANDLE_VALUE) DeactivateActCtx(0, cookie), ReleaseActCtx(handle);
  }
  HANDLE handle;
  ULONG_PTR cookie = 0;
};

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    TranslateMessage(&msg), DispatchMessageA(&msg);
}

// The control by its class id, in place in the tests' container, with the
// simulator: Go, the camera on, the phone unplugged and plugged in again
// (events the control reads through the server's type library).
void RunControl() {
  CLSID id;
  EXPECT_EQ(CLSIDFromProgID(L"KVR.Cmn.CameraControlUI", &id), S_OK);
  EXPECT_EQ(CLSIDFromProgID(L"KVR.Cmn.CameraControlUI.1", &id), S_OK);
  DWORD status = 0;
  EXPECT_EQ(OleRegGetMiscStatus(CLSID_CameraControlUI, DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 131473u);  // the registry script's MiscStatus\1
  for (const GUID* library : {&LIBID_KVRCmnCameraControlUILib, &LIBID_CameraControlFNLib}) {
    ComPtr<ITypeLib> loaded;
    EXPECT_EQ(LoadRegTypeLib(*library, 1, 0, 0, &loaded), S_OK);
  }
  ComPtr<IOleObject> control;
  ASSERT_EQ(CoCreateInstance(CLSID_CameraControlUI, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(&control)),
            S_OK);
  char loaded[MAX_PATH] = "";
  GetModuleFileNameA(GetModuleHandleA(kDll.c_str()), loaded, MAX_PATH);
  EXPECT_EQ(lstrcmpiA(loaded, sessionDll.c_str()), 0) << loaded;
  auto simulator = fw::Make<sim::CameraSimulator>(2);
  ComPtr<ICameraControlFNClient> client;
  ComPtr<IGoClient> go;
  ASSERT_TRUE(SUCCEEDED(control.As(&client)) && SUCCEEDED(control.As(&go)));
  ASSERT_EQ(client->SetServer(simulator.Get()), S_OK);
  {
    host::ControlContainer container;
    ASSERT_EQ(container.Activate(control.Get(), OLEIVERB_UIACTIVATE), S_OK);
    ASSERT_EQ(go->Go(), S_OK);
    Pump();
    HWND dialog = container.ControlWindow(), cameraOn = GetDlgItem(dialog, IDC_CAMERA_ON);
    HWND sheet = FindWindowExA(dialog, nullptr, "#32770", nullptr);
    EXPECT_EQ(TabCtrl_GetItemCount(PropSheet_GetTabControl(sheet)), 5);
    SendMessageA(cameraOn, BM_CLICK, 0, 0);
    EXPECT_TRUE(simulator->CameraOn());
    for (bool connected : {false, true}) {
      simulator->SetConnected(connected);
      Pump();
      EXPECT_EQ(IsWindowEnabled(cameraOn) != FALSE, connected);
    }
    container.Deactivate();
  }
  client->SetServer(nullptr);
}

// Only in the copies that RegistrationFree and Installer start. A plug-in
// gets nothing without its activation context; with the one of the DLL's
// own manifest the class can be made, with the plug-in's manifest (which
// names the DLL's assembly and the server's type library) it runs.
TEST(Session, MakesTheControlAndRunsIt) {
  ASSERT_EQ(Registered(kClassKey), sessionMode == "installed");
  ASSERT_FALSE(sessionMode != "installed" &&
               Registered("TypeLib\\{3591324A-092B-48F4-A15E-0A90F5E914B9}"));
  if (sessionMode != "plugin") return RunControl();
  ComPtr<IUnknown> made;
  EXPECT_EQ(
      CoCreateInstance(CLSID_CameraControlUI, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&made)),
      REGDB_E_CLASSNOTREG);
  {
    ActivationContext own(sessionDll, true);
    ASSERT_NE(own.handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(
        CoCreateInstance(CLSID_CameraControlUI, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&made)),
        S_OK);
    made.Reset();
  }
  ActivationContext plugin(
      sessionDll.substr(0, sessionDll.find_last_of('\\')) + "\\camera_plugin.manifest", false);
  ASSERT_NE(plugin.handle, INVALID_HANDLE_VALUE);
  RunControl();
}

// The files a host without registration puts beside itself: the DLL, the
// sample manifest and the sample server's type library.
void StageAssembly(const std::string& folder, const std::string& manifestName) {
  Copy(kReleaseDll, folder + "\\" + kDll);
  Copy(FullPath("sdk\\samples\\host.exe.manifest"), folder + "\\" + manifestName);
  Copy(FullPath("generated\\CameraControlFNLib.tlb"), folder + "\\CameraControlFNLib.tlb");
}

// The control beside a host with an application manifest, and beside a
// plug-in in a subfolder with the plug-in's own manifest; nothing registered.
TEST(RegistrationFree, AHostWithAnApplicationManifestAndAPlugInWithItsContext) {
  const std::string app = StageFolder("app"), host = StageFolder("plugin-host");
  StageAssembly(app, "host.exe.manifest");
  EXPECT_EQ(Session(app, "app", app + "\\" + kDll), 0u);
  const std::string plugin = host + "\\plugin";
  CreateDirectoryA(plugin.c_str(), nullptr);
  StageAssembly(plugin, "camera_plugin.manifest");
  EXPECT_EQ(Session(host, "plugin", plugin + "\\" + kDll), 0u);
}

// Every key and value of HKLM\Software and HKCU\Software but Windows
// Installer's own records and Wine's settings, as "path" and "path [name]" =
// data as Wine saves them: one RegSaveKey, where walking 65000 keys takes seconds.
using Snapshot = std::map<std::string, std::string>;

void Save(HKEY root, const std::string& prefix, Snapshot& out) {
  HANDLE token;  // saving a key takes the backup privilege
  TOKEN_PRIVILEGES backup = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
  LookupPrivilegeValueA(nullptr, SE_BACKUP_NAME, &backup.Privileges[0].Luid);
  AdjustTokenPrivileges(token, FALSE, &backup, 0, nullptr, nullptr);
  CloseHandle(token);
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string file = std::string(temp) + "kvr-registry.txt";
  DeleteFileA(file.c_str());
  HKEY software;
  ASSERT_EQ(RegOpenKeyExA(root, "Software", 0, KEY_READ, &software), ERROR_SUCCESS);
  ASSERT_EQ(RegSaveKeyA(software, file.c_str(), nullptr), ERROR_SUCCESS);
  RegCloseKey(software);
  std::ifstream in(file);
  std::string path, line, more;
  while (std::getline(in, line)) {
    while (!line.empty() && line.back() == '\\' && std::getline(in, more))
      line.pop_back(), line += more;  // a value continued on the next line
    if (line.empty() || line[0] == '#' || line[0] == ';' || line.find("WINE REGISTRY") == 0)
      continue;
    if (line[0] == '[') {  // [Key\\Subkey] time
      path = prefix + "\\";
      for (size_t i = 1; i < line.size() && line[i] != ']'; ++i)
        if (line[i] != '\\' || line[i - 1] != '\\') path += line[i];
      out[path] = "";
      continue;
    }
    const size_t equals = line[0] == '@' ? 1 : line.find("\"=", 1) + 1;  // @= or "name"=
    out[path + " [" + line.substr(0, equals) + "]"] = line.substr(equals + 1);
  }
}

Snapshot Registry() {
  Snapshot all, kept;
  Save(HKEY_LOCAL_MACHINE, "HKLM", all);
  Save(HKEY_CURRENT_USER, "HKCU", all);
  for (const auto& entry : all)
    if (entry.first.find("HKLM\\Classes\\Installer") &&
        entry.first.find("HKLM\\Microsoft\\Windows\\CurrentVersion\\Installer") &&
        entry.first.find("HKLM\\Wine") && entry.first.find("HKCU\\Wine"))
      kept.insert(entry);
  return kept;
}

// As lines, what `after` has that `before` has not or has otherwise (under `only`).
std::string Added(const Snapshot& before, const Snapshot& after, const std::string& only = "") {
  std::string text;
  for (const auto& entry : after) {
    auto found = before.find(entry.first);
    if ((found == before.end() || found->second != entry.second) && !entry.first.find(only))
      text += entry.first + " = " + entry.second + "\n";
  }
  return text;
}

std::string ProgramFiles() {
  char folder[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder);
  return folder;
}
const std::string kInstalledFolder = ProgramFiles() + "\\KVR";
const std::string kInstalledDll = kInstalledFolder + "\\CameraControlUI\\" + kDll;

Strings Installed(const std::string& upgradeCode) {
  Strings products;
  char product[39];
  for (DWORD i = 0; MsiEnumRelatedProductsA(upgradeCode.c_str(), 0, i, product) == 0; ++i)
    products.push_back(product);
  return products;
}

// What the DLL's own registration writes for the installed file's path;
// unregistration keeps the suite's categories only, removed here by hand.
Snapshot SelfRegistration(const Snapshot& clean) {
  SHCreateDirectoryExA(nullptr, (kInstalledFolder + "\\CameraControlUI").c_str(), nullptr);
  Copy(kReleaseDll, kInstalledDll);
  EXPECT_EQ(Execute("regsvr32 /s \"" + kInstalledDll + "\""), 0u);
  Snapshot written;
  for (const auto& entry : Registry())
    if (!clean.count(entry.first) || clean.at(entry.first) != entry.second) written.insert(entry);
  EXPECT_EQ(Execute("regsvr32 /u /s \"" + kInstalledDll + "\""), 0u);
  const Snapshot left = Registry();
  for (auto entry = left.rbegin(); entry != left.rend(); ++entry) {
    if (clean.count(entry->first) && clean.at(entry->first) == entry->second) continue;
    EXPECT_EQ(entry->first.find("HKLM\\Classes\\Component Categories\\"), 0u) << entry->first;
    if (entry->first.find(" [") == std::string::npos)
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("Software" + entry->first.substr(4)).c_str());
  }
  Execute("cmd /c rmdir /s /q \"" + kInstalledFolder + "\" >nul 2>nul");
  // Windows Installer writes the type library's help folder with a final backslash.
  for (auto& entry : written)
    if (entry.first.find("\\HELPDIR [") != std::string::npos)
      entry.second.insert(entry.second.size() - 1, "\\\\");
  return written;
}

// Each step of msiexec and what it leaves: the product installed (current
// or older) with its files, registry rows and a control made from the
// registry by a host whose manifest names the server's type library only;
// or nothing at all of it.
TEST(Installer, InstallRefuseDowngradeUninstallUpgradeUninstall) {
  const std::string olderMsi = FullPath(KVR_OLDER_MSI);
  ASSERT_TRUE(Exists(olderMsi)) << olderMsi;
  const std::string upgradeCode = MsiProperty(kMsi, "UpgradeCode");
  const Snapshot clean = Registry(), expected = SelfRegistration(clean);
  enum Leaves { kNothing, kCurrent, kOlder };
  const struct {
    const char *step, *option;
    bool older, succeeds;
    Leaves leaves;
  } steps[] = {{"install", "/i", false, true, kCurrent},
               {"downgrade", "/i", true, false, kCurrent},
               {"uninstall", "/x", false, true, kNothing},
               {"older", "/i", true, true, kOlder},
               {"upgrade", "/i", false, true, kCurrent},
               {"uninstall after upgrade", "/x", false, true, kNothing}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    const DWORD exit = Execute(std::string("msiexec ") + s.option + " \"" +
                               (s.older ? olderMsi : kMsi) + "\" /qn");
    ASSERT_EQ(exit == 0, s.succeeds) << exit;
    const Snapshot now = Registry();
    if (s.leaves == kNothing) {
      EXPECT_EQ(Installed(upgradeCode), Strings{});
      EXPECT_EQ(Added(clean, now), "");
      EXPECT_EQ(Added(now, clean), "");
      EXPECT_FALSE(Exists(kInstalledFolder));
      continue;
    }
    const std::string msi = s.leaves == kOlder ? olderMsi : kMsi;
    EXPECT_EQ(Installed(upgradeCode), Strings{MsiProperty(msi, "ProductCode")});
    EXPECT_EQ(FileVersions(kInstalledDll).at(0), s.leaves == kOlder ? KVR_OLDER_VERSION : kVersion);
    if (s.leaves == kCurrent) {
      EXPECT_EQ(Added(clean, now, "HKLM\\Classes\\"), Added({}, expected, "HKLM\\Classes\\"));
      EXPECT_EQ(ReadFile(kInstalledDll), ReadFile(kReleaseDll));
    }
    const std::string folder = StageFolder("installed");
    StageAssembly(folder, "host.exe.manifest");
    std::string manifest = ReadFile(folder + "\\host.exe.manifest");
    const size_t dependency = manifest.find("<dependency>");
    manifest.erase(dependency, manifest.find("</dependency>") + 13 - dependency);
    std::ofstream(folder + "\\host.exe.manifest", std::ios::binary) << manifest;
    DeleteFileA((folder + "\\" + kDll).c_str());
    EXPECT_EQ(Session(folder, "installed", kInstalledDll), 0u);
  }
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc == 4 && std::string(argv[1]) == "--session") {
    sessionMode = argv[2];
    sessionDll = argv[3];
    testing::GTEST_FLAG(filter) = "Session.*";
  } else if (kRelease.empty()) {
    fprintf(stderr, "KVR_RELEASE_DIR names dist/<version>\n");
    return 1;
  } else if (testing::GTEST_FLAG(filter) == "*") {
    testing::GTEST_FLAG(filter) = "-Session.*";
  }
  if (FAILED(OleInitialize(nullptr))) return 2;
  const int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}
