// The release as a host developer gets it: dist/<version>/ (KVR_RELEASE_DIR),
// the DLL and installer of this program's pointer size, under Wine in a
// prefix where nothing of the product is registered. scripts/test's release
// tier makes the release and runs these in that order:
//
//   Versions           one version in the DLL's fields, its manifest, the
//                      installer and the release's file names
//   Signatures         WinVerifyTrust holds the signed DLL and installer and
//                      refuses unsigned ones and a DLL changed after signing
//   RegistrationFree   the control from the DLL beside a host that has an
//                      application manifest, and from a plug-in's activation
//                      context, nothing registered
//   Installer          install, downgrade refused, uninstall, install the
//                      older release, upgrade, uninstall: the registry and
//                      files after each step, the control made after each
//                      install
//
// Every session with the control runs in a copy of this program started in
// a folder of its own (--session MODE DLL), so that this process never
// loads the DLL and the installer can always replace or remove it.
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

const bool k64 = sizeof(void*) == 8;
const std::string kArch = k64 ? "x64" : "x86";
const char kDll[] = "KVRCmnCameraControlUI.dll";
const char kClassKey[] = "CLSID\\{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}";
constexpr DWORD kMiscStatus = 131473;  // the registry script's MiscStatus\1

// --- Files and processes -----------------------------------------------------

// A path of the Unix file system as Wine's drive Z: shows it.
std::string WindowsPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path[0] == '\\' ? "Z:" + path : path;
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

std::string ReleaseDir() {
  const char* dir = getenv("KVR_RELEASE_DIR");
  return dir ? WindowsPath(dir) : std::string();
}

std::string Version() {
  std::string dir = ReleaseDir();
  return dir.substr(dir.find_last_of('\\') + 1);
}

std::string ReleaseDll() {
  return ReleaseDir() + "\\" + kArch + "\\" + kDll;
}

std::string ReleaseMsi() {
  return ReleaseDir() + "\\KVRCmnCameraControlUI-" + Version() + "-" + kArch + ".msi";
}

// Runs `command` with our console and returns its exit code.
DWORD Execute(const std::string& command, const char* folder = nullptr) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process;
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, folder, &startup,
                      &process))
    return 0xFFFFFFFF;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0xFFFFFFFF;
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
  ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

// Runs a session with the control in a copy of this program in `folder`.
DWORD Session(const std::string& folder, const char* mode, const std::string& dll) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string host = folder + "\\host.exe";
  CopyFileA(self, host.c_str(), FALSE);
  return Execute("\"" + host + "\" --session " + mode + " \"" + dll + "\"", folder.c_str());
}

// --- Versions, resources, packages ---------------------------------------------

std::string FixedVersion(DWORD high, DWORD low) {
  return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." +
         std::to_string(HIWORD(low)) + "." + std::to_string(LOWORD(low));
}

// The file version, product version and their two texts of a file's
// version resource, or empty.
std::vector<std::string> FileVersions(const std::string& path) {
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
  std::vector<char> data(size);
  if (!size || !GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  char* text = nullptr;
  UINT length = 0;
  VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length);
  std::vector<std::string> versions = {
      FixedVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS),
      FixedVersion(fixed->dwProductVersionMS, fixed->dwProductVersionLS)};
  for (const char* name : {"FileVersion", "ProductVersion"}) {
    std::string query = std::string("\\StringFileInfo\\040904e4\\") + name;
    bool found =
        VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length);
    versions.push_back(found ? text : "");
  }
  return versions;
}

std::string ManifestOf(const std::string& dll) {
  HMODULE module = LoadLibraryExA(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC found = module ? FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) : nullptr;
  std::string text;
  if (found)
    text.assign(static_cast<const char*>(LockResource(LoadResource(module, found))),
                SizeofResource(module, found));
  if (module) FreeLibrary(module);
  return text;
}

// The value of attribute `name` of the first `element` in `xml`.
std::string Attribute(const std::string& xml, const std::string& element, const std::string& name) {
  size_t at = xml.find("<" + element + " ");
  size_t end = xml.find('>', at);
  size_t value = xml.find(" " + name + "=\"", at);
  if (at == std::string::npos || value > end) return "";
  value += name.size() + 3;
  return xml.substr(value, xml.find('"', value) - value);
}

// One value of an installer's database.
std::string MsiQuery(const std::string& msi, const std::string& sql) {
  MSIHANDLE database = 0, view = 0, record = 0;
  std::string result;
  if (MsiOpenDatabaseA(msi.c_str(), MSIDBOPEN_READONLY, &database) == ERROR_SUCCESS &&
      MsiDatabaseOpenViewA(database, sql.c_str(), &view) == ERROR_SUCCESS &&
      MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &record) == ERROR_SUCCESS) {
    char text[256];
    DWORD length = sizeof text;
    if (MsiRecordGetStringA(record, 1, text, &length) == ERROR_SUCCESS) result = text;
  }
  for (MSIHANDLE handle : {record, view, database})
    if (handle) MsiCloseHandle(handle);
  return result;
}

std::string MsiProperty(const std::string& msi, const std::string& name) {
  return MsiQuery(msi, "SELECT `Value` FROM `Property` WHERE `Property` = '" + name + "'");
}

TEST(Versions, OneVersionInTheDllItsManifestTheInstallerAndTheFileNames) {
  ASSERT_FALSE(ReleaseDir().empty()) << "KVR_RELEASE_DIR names dist/<version>";
  const std::string version = Version();
  std::string source = ReadFile(WindowsPath(KVR_SOURCE_DIR "/VERSION"));
  EXPECT_EQ(source.substr(0, source.find_first_of("\r\n")), version);
  EXPECT_EQ(FileVersions(ReleaseDll()),
            std::vector<std::string>({version, version, version, version}));
  const std::string manifest = ManifestOf(ReleaseDll());
  EXPECT_EQ(Attribute(manifest, "assemblyIdentity", "version"), version);
  EXPECT_EQ(Attribute(manifest, "assemblyIdentity", "name"), "KVRCmnCameraControlUI");
  EXPECT_EQ(Attribute(manifest, "assemblyIdentity", "processorArchitecture"),
            k64 ? "amd64" : "x86");
  EXPECT_EQ(MsiProperty(ReleaseMsi(), "ProductVersion"), version);
  EXPECT_EQ(MsiQuery(ReleaseMsi(), "SELECT `Version` FROM `File`"), version);
  for (const char* name : {"-sdk.zip", "-symbols.zip"})
    EXPECT_TRUE(Exists(ReleaseDir() + "\\KVRCmnCameraControlUI-" + version + name)) << name;
}

// --- Signatures --------------------------------------------------------------------

LONG Trust(const std::string& path) {
  std::wstring wide(path.begin(), path.end());
  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = wide.c_str();
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return result;
}

// A copy of `path` with one byte of its middle changed.
std::string TamperedDll(const std::string& path) {
  std::string bytes = ReadFile(path);
  bytes[bytes.size() / 2] ^= 0x5A;
  std::string copy = StageFolder("tampered") + "\\" + kDll;
  std::ofstream(copy, std::ios::binary) << bytes;
  return copy;
}

TEST(Signatures, SignedFilesHoldAndUnsignedOrTamperedCopiesAreRefused) {
  ASSERT_FALSE(ReleaseDir().empty()) << "KVR_RELEASE_DIR names dist/<version>";
  // The signing certificate may be a throwaway one that no root vouches
  // for: what matters is that the signature is there and fits the file.
  for (const std::string& file : {ReleaseDll(), ReleaseMsi()}) {
    LONG result = Trust(file);
    EXPECT_TRUE(result == ERROR_SUCCESS || result == CERT_E_UNTRUSTEDROOT ||
                result == CERT_E_CHAINING)
        << file << std::hex << ": 0x" << result;
  }
  // Wine 8 does not compute an installer's digest (an installer changed
  // after signing passes here; release_files.sh has osslsigncode refuse it).
  EXPECT_EQ(Trust(TamperedDll(ReleaseDll())), TRUST_E_BAD_DIGEST);
  // The older release is built unsigned.
  EXPECT_EQ(Trust(FullPath(KVR_OLDER_DLL)), TRUST_E_NOSIGNATURE);
  EXPECT_EQ(Trust(FullPath(KVR_OLDER_MSI)), TRUST_E_NOSIGNATURE);
}

// --- Sessions with the control ---------------------------------------------------------

// Set by --session MODE DLL: how the session finds the control, and the
// file that must be loaded for it.
std::string sessionMode, sessionDll;

bool Registered(const std::string& key) {
  HKEY opened;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened)) return false;
  RegCloseKey(opened);
  return true;
}

class ActivationContext {
 public:
  // From a manifest file, or the resource 1 of a module.
  ActivationContext(const std::string& source, bool resource) {
    ACTCTXA context = {};
    context.cbSize = sizeof context;
    context.lpSource = source.c_str();
    if (resource) {
      context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
      context.lpResourceName = MAKEINTRESOURCEA(1);
    }
    handle = CreateActCtxA(&context);
    if (handle != INVALID_HANDLE_VALUE) ActivateActCtx(handle, &cookie);
  }
  ~ActivationContext() {
    if (handle == INVALID_HANDLE_VALUE) return;
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(handle);
  }
  bool Active() const { return handle != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle;
  ULONG_PTR cookie = 0;
};

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string LoadedDll() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(GetModuleHandleA(kDll), path, MAX_PATH);
  return path;
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
  EXPECT_EQ(status, kMiscStatus);
  for (const GUID* library : {&LIBID_KVRCmnCameraControlUILib, &LIBID_CameraControlFNLib}) {
    ComPtr<ITypeLib> loaded;
    EXPECT_EQ(LoadRegTypeLib(*library, 1, 0, 0, &loaded), S_OK);
  }

  ComPtr<IOleObject> control;
  ASSERT_EQ(CoCreateInstance(CLSID_CameraControlUI, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(&control)),
            S_OK);
  EXPECT_EQ(lstrcmpiA(LoadedDll().c_str(), sessionDll.c_str()), 0) << LoadedDll();
  auto simulator = fw::Make<sim::CameraSimulator>(2);
  ComPtr<ICameraControlFNClient> client;
  ComPtr<IGoClient> go;
  ASSERT_EQ(control.As(&client), S_OK);
  ASSERT_EQ(control.As(&go), S_OK);
  ASSERT_EQ(client->SetServer(simulator.Get()), S_OK);
  {
    host::ControlContainer container;
    ASSERT_EQ(container.Activate(control.Get(), OLEIVERB_UIACTIVATE), S_OK);
    ASSERT_EQ(go->Go(), S_OK);
    Pump();
    HWND dialog = container.ControlWindow();
    HWND sheet = FindWindowExA(dialog, nullptr, "#32770", nullptr);
    EXPECT_EQ(TabCtrl_GetItemCount(PropSheet_GetTabControl(sheet)), 5);
    HWND cameraOn = GetDlgItem(dialog, IDC_CAMERA_ON);
    SendMessageA(cameraOn, BM_CLICK, 0, 0);
    EXPECT_TRUE(simulator->CameraOn());
    simulator->SetConnected(false);
    Pump();
    EXPECT_FALSE(IsWindowEnabled(cameraOn));
    simulator->SetConnected(true);
    Pump();
    EXPECT_TRUE(IsWindowEnabled(cameraOn));
    container.Deactivate();
  }
  client->SetServer(nullptr);
}

// Only in the copies that RegistrationFree and Installer start.
TEST(Session, MakesTheControlAndRunsIt) {
  if (sessionMode == "installed") {
    EXPECT_TRUE(Registered(kClassKey));
    RunControl();
    return;
  }
  ASSERT_FALSE(Registered(kClassKey)) << "the prefix has the control registered";
  ASSERT_FALSE(Registered("TypeLib\\{3591324A-092B-48F4-A15E-0A90F5E914B9}"));
  if (sessionMode == "app") {
    RunControl();
    return;
  }
  // A plug-in: nothing without its activation context; with the one of the
  // DLL's own manifest the class can be made, with the plug-in's manifest
  // (which names the DLL's assembly and the server's type library) it runs.
  ComPtr<IUnknown> made;
  EXPECT_EQ(
      CoCreateInstance(CLSID_CameraControlUI, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&made)),
      REGDB_E_CLASSNOTREG);
  {
    ActivationContext own(sessionDll, true);
    ASSERT_TRUE(own.Active());
    EXPECT_EQ(
        CoCreateInstance(CLSID_CameraControlUI, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&made)),
        S_OK);
    made.Reset();
  }
  ActivationContext plugin(
      sessionDll.substr(0, sessionDll.find_last_of('\\')) + "\\camera_plugin.manifest", false);
  ASSERT_TRUE(plugin.Active());
  RunControl();
}

// The files a host without registration puts beside itself: the DLL, the
// sample manifest and the sample server's type library.
void StageAssembly(const std::string& folder, const std::string& manifestName) {
  Copy(ReleaseDll(), folder + "\\" + kDll);
  Copy(FullPath("sdk\\samples\\host.exe.manifest"), folder + "\\" + manifestName);
  Copy(FullPath("generated\\CameraControlFNLib.tlb"), folder + "\\CameraControlFNLib.tlb");
}

TEST(RegistrationFree, AHostWithAnApplicationManifestAndAPlugInWithItsContext) {
  ASSERT_FALSE(ReleaseDir().empty()) << "KVR_RELEASE_DIR names dist/<version>";
  std::string app = StageFolder("app");
  StageAssembly(app, "host.exe.manifest");
  EXPECT_EQ(Session(app, "app", app + "\\" + kDll), 0u);

  std::string host = StageFolder("plugin-host");
  std::string plugin = host + "\\plugin";
  CreateDirectoryA(plugin.c_str(), nullptr);
  StageAssembly(plugin, "camera_plugin.manifest");
  EXPECT_EQ(Session(host, "plugin", plugin + "\\" + kDll), 0u);
}

// --- Installer ----------------------------------------------------------------------------------

// Every key and value of HKLM\Software and HKCU\Software, as "path" and
// "path [name]" = data in the form Wine saves the registry in, without
// Windows Installer's own records of what it installed (kept apart from the
// products' keys) and Wine's own settings. Saved by the server in one call
// (RegSaveKey): walking the 65000 keys and values one call each takes
// seconds.
using Snapshot = std::map<std::string, std::string>;

void Save(HKEY root, const std::string& prefix, Snapshot& out) {
  // Saving a key takes the backup privilege.
  HANDLE token;
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
    size_t equals = line[0] == '@' ? 1 : line.find("\"=", 1) + 1;  // @= or "name"=
    out[path + " [" + line.substr(0, equals) + "]"] = line.substr(equals + 1);
  }
}

Snapshot Registry() {
  Snapshot all, kept;
  Save(HKEY_LOCAL_MACHINE, "HKLM", all);
  Save(HKEY_CURRENT_USER, "HKCU", all);
  for (const auto& entry : all) {
    const std::string& path = entry.first;
    if (path.find("HKLM\\Classes\\Installer") == 0 ||
        path.find("HKLM\\Microsoft\\Windows\\CurrentVersion\\Installer") == 0 ||
        path.find("HKLM\\Wine") == 0 || path.find("HKCU\\Wine") == 0)
      continue;
    kept.insert(entry);
  }
  return kept;
}

// What `after` has that `before` has not, or has otherwise.
Snapshot Added(const Snapshot& before, const Snapshot& after) {
  Snapshot added;
  for (const auto& entry : after) {
    auto found = before.find(entry.first);
    if (found == before.end() || found->second != entry.second) added.insert(entry);
  }
  return added;
}

std::string Lines(const Snapshot& snapshot) {
  std::string text;
  for (const auto& entry : snapshot)
    text += entry.first + " = " + entry.second + "\n";
  return text;
}

std::string InstalledDll() {
  char folder[MAX_PATH];
  SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder);
  return std::string(folder) + "\\KVR\\CameraControlUI\\" + kDll;
}

std::string InstalledFolder() {
  return InstalledDll().substr(0, InstalledDll().rfind("\\CameraControlUI\\"));
}

DWORD Msiexec(const std::string& options, const std::string& msi) {
  return Execute("msiexec " + options + " \"" + msi + "\" /qn");
}

// The installed products of the release's upgrade code.
std::vector<std::string> Installed(const std::string& upgradeCode) {
  std::vector<std::string> products;
  char product[39];
  for (DWORD i = 0; MsiEnumRelatedProductsA(upgradeCode.c_str(), 0, i, product) == ERROR_SUCCESS;
       ++i)
    products.push_back(product);
  return products;
}

class Installer : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(ReleaseDir().empty()) << "KVR_RELEASE_DIR names dist/<version>";
    ASSERT_TRUE(Exists(olderMsi)) << olderMsi;
    clean = Registry();
  }

  // What the DLL's own registration writes to the installed file's path.
  Snapshot SelfRegistration() {
    std::string folder = InstalledDll().substr(0, InstalledDll().rfind('\\'));
    SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    Copy(ReleaseDll(), InstalledDll());
    EXPECT_EQ(Execute("regsvr32 /s \"" + InstalledDll() + "\""), 0u);
    Snapshot written = Added(clean, Registry());
    EXPECT_EQ(Execute("regsvr32 /u /s \"" + InstalledDll() + "\""), 0u);
    // Unregistration keeps the suite's categories and nothing else: they go
    // by hand here, deepest first.
    const Snapshot left = Added(clean, Registry());
    for (auto entry = left.rbegin(); entry != left.rend(); ++entry) {
      EXPECT_EQ(entry->first.find("HKLM\\Classes\\Component Categories\\"), 0u) << entry->first;
      if (entry->first.find(" [") == std::string::npos)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, ("Software" + entry->first.substr(4)).c_str());
    }
    Execute("cmd /c rmdir /s /q \"" + InstalledFolder() + "\" >nul 2>nul");
    return written;
  }

  void ExpectInstalled(const std::string& productCode, const std::string& version) {
    EXPECT_EQ(Installed(upgradeCode), std::vector<std::string>{productCode});
    EXPECT_EQ(FileVersions(InstalledDll()).at(0), version);
    // The host's manifest names the server's type library only: the
    // control comes from the registry.
    std::string folder = StageFolder("installed");
    StageAssembly(folder, "host.exe.manifest");
    std::string manifest = ReadFile(folder + "\\host.exe.manifest");
    manifest.erase(manifest.find("<dependency>"),
                   manifest.find("</dependency>") + 13 - manifest.find("<dependency>"));
    std::ofstream(folder + "\\host.exe.manifest", std::ios::binary) << manifest;
    DeleteFileA((folder + "\\" + kDll).c_str());
    EXPECT_EQ(Session(folder, "installed", InstalledDll()), 0u);
  }

  void ExpectRemoved() {
    EXPECT_EQ(Installed(upgradeCode), std::vector<std::string>{});
    const Snapshot now = Registry();
    EXPECT_EQ(Lines(Added(clean, now)), "");
    EXPECT_EQ(Lines(Added(now, clean)), "");
    EXPECT_FALSE(Exists(InstalledFolder()));
  }

  const std::string msi = ReleaseMsi();
  const std::string olderMsi = FullPath(KVR_OLDER_MSI);
  const std::string upgradeCode = MsiProperty(msi, "UpgradeCode");
  const std::string productCode = MsiProperty(msi, "ProductCode");
  const std::string olderProductCode = MsiProperty(olderMsi, "ProductCode");
  Snapshot clean;
};

// The classes' keys among `written` (HKLM\Software\Classes; Wine shows the
// 32-bit view's also as HKLM\Software\Wow6432Node\Classes).
std::string Classes(const Snapshot& written) {
  Snapshot classes;
  for (const auto& entry : written)
    if (entry.first.find("HKLM\\Classes\\") == 0) classes.insert(entry);
  return Lines(classes);
}

TEST_F(Installer, InstallRefuseDowngradeUninstallUpgradeUninstall) {
  // The registry rows are the keys DllRegisterServer writes; only the type
  // library's help folder ends in a backslash, as Windows Installer writes
  // a folder.
  Snapshot expected = SelfRegistration();
  for (auto& entry : expected)
    if (entry.first.find("\\HELPDIR [") != std::string::npos)
      entry.second.insert(entry.second.size() - 1, "\\\\");

  {
    SCOPED_TRACE("install");
    ASSERT_EQ(Msiexec("/i", msi), 0u);
    EXPECT_EQ(Classes(Added(clean, Registry())), Classes(expected));
    EXPECT_EQ(ReadFile(InstalledDll()), ReadFile(ReleaseDll()));
    ExpectInstalled(productCode, Version());
  }
  {
    SCOPED_TRACE("downgrade");
    EXPECT_NE(Msiexec("/i", olderMsi), 0u);
    ExpectInstalled(productCode, Version());
  }
  {
    SCOPED_TRACE("uninstall");
    ASSERT_EQ(Msiexec("/x", msi), 0u);
    ExpectRemoved();
  }
  {
    SCOPED_TRACE("older");
    ASSERT_EQ(Msiexec("/i", olderMsi), 0u);
    ExpectInstalled(olderProductCode, KVR_OLDER_VERSION);
  }
  {
    SCOPED_TRACE("upgrade");
    ASSERT_EQ(Msiexec("/i", msi), 0u);
    ExpectInstalled(productCode, Version());
    EXPECT_EQ(ReadFile(InstalledDll()), ReadFile(ReleaseDll()));
  }
  {
    SCOPED_TRACE("uninstall after upgrade");
    ASSERT_EQ(Msiexec("/x", msi), 0u);
    ExpectRemoved();
  }
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc == 4 && std::string(argv[1]) == "--session") {
    sessionMode = argv[2];
    sessionDll = argv[3];
    testing::GTEST_FLAG(filter) = "Session.*";
  } else if (testing::GTEST_FLAG(filter) == "*") {
    testing::GTEST_FLAG(filter) = "-Session.*";
  }
  if (FAILED(OleInitialize(nullptr))) return 2;
  int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}
