// Registration of the real COM server, through its exported functions and
// through the system's regsvr32, checked in HKEY_CLASSES_ROOT. Every test
// leaves the server unregistered.
#include <windows.h>
#include <comcat.h>
#include <oleauto.h>
#include <wrl/client.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "KVRCmnCameraControlUI.h"
#include "framework/component_categories.h"
#include "framework/handles.h"

using fw::UniqueRegKey;
using Microsoft::WRL::ComPtr;

namespace {

using UniqueKernelHandle = fw::UniqueHandle<fw::ClosedBy<HANDLE, CloseHandle>>;

const std::string kClassKey = "CLSID\\{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}";
const std::string kTypeLibKey = "TypeLib\\{3851E9D7-1390-4BDE-8C71-CD37914B73C5}";
const std::string kInterfaceKey = "Interface\\{0E9F6632-08C6-48DC-9865-F7C190FB7B80}";
const char kLibraryHelp[] = "KVR Cmn CameraControl UI Library";

struct Category {
  const char* id;
  const char* description;
};
const Category kCategories[] = {
    {"{48438240-CCB3-11D2-B795-0008C772402B}", "KVR BEX Component"},
    {"{48438241-CCB3-11D2-B795-0008C772402B}", "KVR BEX User Interface"},
    {"{48438242-CCB3-11D2-B795-0008C772402B}", "KVR BEX Provider"},
    {"{48438243-CCB3-11D2-B795-0008C772402B}", "KVR BEX Configuration Component"},
    {"{48438244-CCB3-11D2-B795-0008C772402B}", "KVR ZEF MfcMdiComponent"},
    {"{48438246-CCB3-11D2-B795-0008C772402B}", "KVR ZEF BaseComponent"},
    {"{48438245-CCB3-11D2-B795-0008C772402B}", "KVR ZEF Feature"},
    {"{48438247-CCB3-11D2-B795-0008C772402B}", "KVR Settings Component"},
    {"{48438248-CCB3-11D2-B795-0008C772402B}", "KVR BEX Custom Filter Component"},
    {"{48438249-CCB3-11D2-B795-0008C772402B}", "KVR BEX Common Audio Control"},
};

bool KeyExists(const std::string& path) {
  HKEY opened = nullptr;
  const bool found =
      RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS;
  UniqueRegKey key(opened);
  return found;
}

// A string value's text, or "<missing>" when the key or value is missing
// or the value is not a string.
std::string ReadString(const std::string& path, const char* name = "") {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return "<missing>";
  UniqueRegKey key(opened);
  char text[1024];
  DWORD type = 0, size = sizeof text - 1;
  if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return "<missing>";
  text[size] = '\0';
  return text;
}

// Names of the subkeys, upper-cased (GUID key names may come in either
// case) and sorted.
std::vector<std::string> Subkeys(const std::string& path) {
  std::vector<std::string> names;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return names;
  UniqueRegKey key(opened);
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    CharUpperA(name);
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Upper(std::vector<std::string> names) {
  for (std::string& name : names)
    CharUpperA(&name[0]);
  std::sort(names.begin(), names.end());
  return names;
}

const std::vector<std::string> kClassSubkeys =
    Upper({"ProgID", "VersionIndependentProgID", "Programmable", "InprocServer32", "Control",
           "ToolboxBitmap32", "MiscStatus", "TypeLib", "Version", "Implemented Categories"});
const std::vector<std::string> kImplemented = {"{48438240-CCB3-11D2-B795-0008C772402B}",
                                               "{48438241-CCB3-11D2-B795-0008C772402B}"};

void ExpectCategoriesRegistered() {
  for (const Category& category : kCategories) {
    SCOPED_TRACE(category.id);
    EXPECT_EQ(ReadString(std::string("Component Categories\\") + category.id, "409"),
              category.description);
  }
}

class RegistrationTest : public testing::Test {
 protected:
  void SetUp() override {
    dll.Reset(LoadLibraryA(KVR_PRODUCT_DLL));
    ASSERT_TRUE(dll);
    registerServer = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(dll.Get(), "DllRegisterServer")));
    unregisterServer = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(dll.Get(), "DllUnregisterServer")));
    ASSERT_TRUE(registerServer && unregisterServer);
    const DWORD length = GetModuleFileNameA(dll.Get(), modulePath, sizeof modulePath);
    ASSERT_TRUE(length > 0 && length < sizeof modulePath);
  }

  void TearDown() override {
    if (unregisterServer) unregisterServer();
    EXPECT_FALSE(KeyExists(kClassKey)) << "the test left the class registered";
  }

  // Every key and value the registry script writes, with its exact data.
  void ExpectClassRegistered() {
    const std::string module = modulePath;
    struct Row {
      std::string key;
      const char* name;
      std::string data;
    };
    const Row rows[] = {
        {"KVR.Cmn.CameraControlUI.1", "", "KVR Cmn CameraControlUI"},
        {"KVR.Cmn.CameraControlUI.1\\CLSID", "", "{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}"},
        {"KVR.Cmn.CameraControlUI", "", "KVR Cmn CameraControlUI"},
        {"KVR.Cmn.CameraControlUI\\CLSID", "", "{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}"},
        {"KVR.Cmn.CameraControlUI\\CurVer", "", "KVR.Cmn.CameraControlUI.1"},
        {kClassKey, "", "KVR Cmn CameraControlUI"},
        {kClassKey + "\\ProgID", "", "KVR.Cmn.CameraControlUI.1"},
        {kClassKey + "\\VersionIndependentProgID", "", "KVR.Cmn.CameraControlUI"},
        {kClassKey + "\\InprocServer32", "", module},
        {kClassKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {kClassKey + "\\ToolboxBitmap32", "", module + ", 102"},
        {kClassKey + "\\MiscStatus", "", "0"},
        {kClassKey + "\\MiscStatus\\1", "", "131473"},
        {kClassKey + "\\TypeLib", "", "{3851E9D7-1390-4BDE-8C71-CD37914B73C5}"},
        {kClassKey + "\\Version", "", "1.0"},
    };
    for (const Row& row : rows) {
      SCOPED_TRACE(row.key + " [" + row.name + "]");
      EXPECT_EQ(ReadString(row.key, row.name), row.data);
    }
    EXPECT_TRUE(KeyExists(kClassKey + "\\Programmable"));
    EXPECT_TRUE(KeyExists(kClassKey + "\\Control"));
    EXPECT_EQ(Subkeys(kClassKey), kClassSubkeys);
    EXPECT_EQ(Subkeys(kClassKey + "\\Implemented Categories"), kImplemented);
  }

  void ExpectClassRemoved() {
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_FALSE(KeyExists("KVR.Cmn.CameraControlUI.1"));
    EXPECT_FALSE(KeyExists("KVR.Cmn.CameraControlUI"));
    EXPECT_FALSE(KeyExists(kTypeLibKey + "\\1.0"));
    EXPECT_TRUE(KeyExists("CLSID"));
  }

  // Runs the system's regsvr32 with `options` on the module; its exit code.
  DWORD RunRegsvr32(const char* options) {
    char commandLine[1024];
    snprintf(commandLine, sizeof commandLine, "C:\\windows\\system32\\regsvr32.exe %s \"%s\"",
             options, modulePath);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      ADD_FAILURE() << "regsvr32 does not start: " << GetLastError();
      return ~0u;
    }
    UniqueKernelHandle processHandle(process.hProcess);
    UniqueKernelHandle threadHandle(process.hThread);
    EXPECT_EQ(WaitForSingleObject(processHandle.Get(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = ~0u;
    GetExitCodeProcess(processHandle.Get(), &exitCode);
    return exitCode;
  }

  fw::UniqueModule dll;
  HRESULT(WINAPI* registerServer)() = nullptr;
  HRESULT(WINAPI* unregisterServer)() = nullptr;
  char modulePath[512] = {};
};

TEST_F(RegistrationTest, RegisterWritesTheClassCategoriesAndTypeLibrary) {
  ASSERT_EQ(registerServer(), S_OK);
  ExpectClassRegistered();
  ExpectCategoriesRegistered();

  EXPECT_EQ(ReadString(kTypeLibKey + "\\1.0"), kLibraryHelp);
  EXPECT_EQ(ReadString(kTypeLibKey + "\\1.0\\0\\win64"), modulePath);
  // The dual interface is registered for marshalling through the library.
  EXPECT_EQ(ReadString(kInterfaceKey + "\\TypeLib"), "{3851E9D7-1390-4BDE-8C71-CD37914B73C5}");

  ComPtr<ITypeLib> library;
  ASSERT_EQ(LoadRegTypeLib(LIBID_KVRCmnCameraControlUILib, 1, 0, 0, &library), S_OK);
  ComPtr<ITypeInfo> coclass;
  EXPECT_EQ(library->GetTypeInfoOfGuid(CLSID_CameraControlUI, &coclass), S_OK);
  BSTR path = nullptr;
  ASSERT_EQ(QueryPathOfRegTypeLib(LIBID_KVRCmnCameraControlUILib, 1, 0, 0, &path), S_OK);
  char narrow[512] = {};
  WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, sizeof narrow - 1, nullptr, nullptr);
  SysFreeString(path);
  EXPECT_STREQ(narrow, modulePath);
}

TEST_F(RegistrationTest, RegisteringTwiceLeavesOneCleanClassKey) {
  ASSERT_EQ(registerServer(), S_OK);
  ASSERT_EQ(
      RegSetKeyValueA(HKEY_CLASSES_ROOT, (kClassKey + "\\Stray").c_str(), nullptr, REG_SZ, "x", 2),
      ERROR_SUCCESS);
  ASSERT_EQ(RegSetKeyValueA(HKEY_CLASSES_ROOT, kClassKey.c_str(), "Stray", REG_SZ, "x", 2),
            ERROR_SUCCESS);

  ASSERT_EQ(registerServer(), S_OK);
  EXPECT_EQ(ReadString(kClassKey, "Stray"), "<missing>");
  ExpectClassRegistered();  // among others: no Stray subkey
}

TEST_F(RegistrationTest, UnregisterRemovesTheClassButKeepsClsidAndCategories) {
  ASSERT_EQ(registerServer(), S_OK);
  ASSERT_EQ(unregisterServer(), S_OK);
  ExpectClassRemoved();
  EXPECT_FALSE(KeyExists(kInterfaceKey));
  ComPtr<ITypeLib> library;
  EXPECT_NE(LoadRegTypeLib(LIBID_KVRCmnCameraControlUILib, 1, 0, 0, &library), S_OK);
  ExpectCategoriesRegistered();
}

TEST_F(RegistrationTest, Regsvr32RegistersAndUnregisters) {
  ASSERT_EQ(RunRegsvr32("/s"), 0u);
  ExpectClassRegistered();
  ExpectCategoriesRegistered();
  EXPECT_EQ(ReadString(kTypeLibKey + "\\1.0\\0\\win64"), modulePath);

  ASSERT_EQ(RunRegsvr32("/u /s"), 0u);
  ExpectClassRemoved();
  ExpectCategoriesRegistered();
}

TEST(ComponentCategories, DescriptionIsCutTo127Characters) {
  // A category of this test only, removed again at the end.
  const CATID id = {0x6B1E02A4, 0x3C55, 0x4E0B, {0x9A, 0x61, 0x27, 0xD0, 0x4F, 0x18, 0xC3, 0x5E}};
  const std::string key = "Component Categories\\{6B1E02A4-3C55-4E0B-9A61-27D04F18C35E}";
  std::string description;
  for (int i = 0; i < 200; ++i)
    description += static_cast<char>('a' + i % 26);

  ASSERT_EQ(fw::CreateComponentCategory(id, description.c_str()), S_OK);
  EXPECT_EQ(ReadString(key, "409"), description.substr(0, 127));

  ASSERT_EQ(fw::CreateComponentCategory(id, "Short"), S_OK);
  EXPECT_EQ(ReadString(key, "409"), "Short");

  ComPtr<ICatRegister> manager;
  ASSERT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(&manager)),
            S_OK);
  CATID ids[] = {id};
  EXPECT_EQ(manager->UnRegisterCategories(1, ids), S_OK);
  EXPECT_FALSE(KeyExists(key));
}

}  // namespace
