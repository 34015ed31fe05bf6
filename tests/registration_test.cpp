// Registration of the COM server, checked in HKEY_CLASSES_ROOT; left
// unregistered. The assembly manifest the DLL carries for use without
// registration describes the class as registration writes it.
#include <windows.h>
#include <ole2.h>
#include <process.h>
#include <gtest/gtest.h>

#include <string>

#include "KVRCmnCameraControlUI.h"
#include "tests/support/product_dll.h"

namespace {

const std::string kClsid = "{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}", kClass = "CLSID\\" + kClsid;
const std::string kProgId = "KVR.Cmn.CameraControlUI", kName = "KVR Cmn CameraControlUI";
const std::string kTypeLib = "TypeLib\\{3851E9D7-1390-4BDE-8C71-CD37914B73C5}\\1.0";

// A string value, or "<missing>".
std::string Read(const std::string& path, const char* name = "") {
  char text[1024];
  DWORD size = sizeof text;
  LONG error = RegGetValueA(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, 0, text, &size);
  return error ? "<missing>" : text;
}

// The names of a key's subkeys, or "<missing>".
std::string Subkeys(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key)) return "<missing>";
  std::string names;
  char name[256];
  for (DWORD i = 0; !RegEnumKeyA(key, i, name, sizeof name); ++i)
    names += std::string(name) + "|";
  RegCloseKey(key);
  return names;
}

// The suite's ten categories stay registered.
void ExpectCategories() {
  std::string found;
  const std::string tail = "-CCB3-11D2-B795-0008C772402B}";
  for (char digit = '0'; digit <= '9'; ++digit)
    found += Read("Component Categories\\{4843824" + std::string{digit} + tail, "409") + "|";
  EXPECT_EQ(found,
            "KVR BEX Component|KVR BEX User Interface|KVR BEX Provider|KVR BEX Configuration "
            "Component|KVR ZEF MfcMdiComponent|KVR ZEF Feature|KVR ZEF BaseComponent|KVR Settings "
            "Component|KVR BEX Custom Filter Component|KVR BEX Common Audio Control|");
}

void ExpectRegistered() {
  const std::string module = test::ProductPath();
  // A type library is registered under the platform of the process that
  // registered it: the DLL of each build writes its own.
  const std::string platform = sizeof(void*) == 8 ? "win64" : "win32";
  const std::string values[][3] = {
      {kProgId + ".1", "", kName},
      {kProgId + ".1\\CLSID", "", kClsid},
      {kProgId, "", kName},
      {kProgId + "\\CLSID", "", kClsid},
      {kProgId + "\\CurVer", "", kProgId + ".1"},
      {kClass, "", kName},
      {kClass + "\\ProgID", "", kProgId + ".1"},
      {kClass + "\\VersionIndependentProgID", "", kProgId},
      {kClass + "\\InprocServer32", "", module},
      {kClass + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {kClass + "\\ToolboxBitmap32", "", module + ", 102"},
      {kClass + "\\MiscStatus", "", "0"},
      {kClass + "\\MiscStatus\\1", "", "131473"},
      {kClass + "\\TypeLib", "", "{3851E9D7-1390-4BDE-8C71-CD37914B73C5}"},
      {kClass + "\\Version", "", "1.0"},
      {kTypeLib + "\\0\\" + platform, "", module}};
  for (const auto& v : values)
    EXPECT_EQ(Read(v[0], v[1].c_str()), v[2]) << v[0] << " [" << v[1] << "]";
  EXPECT_EQ(Subkeys(kClass),
            "Control|Implemented Categories|InprocServer32|MiscStatus|ProgID|Programmable|"
            "ToolboxBitmap32|TypeLib|Version|VersionIndependentProgID|");
  EXPECT_EQ(Subkeys(kClass + "\\Implemented Categories"),
            "{48438240-CCB3-11D2-B795-0008C772402B}|{48438241-CCB3-11D2-B795-0008C772402B}|");
  ExpectCategories();
}

TEST(Registration, RegistersCleanlyAgainThroughRegsvr32AndUnregisters) {
  ASSERT_EQ(test::CallDllRegisterServer(), S_OK);
  ExpectRegistered();
  RegSetKeyValueA(HKEY_CLASSES_ROOT, (kClass + "\\Stray").c_str(), "Stray", REG_SZ, "x", 2);
  RegSetKeyValueA(HKEY_CLASSES_ROOT, kClass.c_str(), "Stray", REG_SZ, "x", 2);
  // Again through the system's regsvr32, which calls the same exports.
  const std::string quoted = "\"" + test::ProductPath() + "\"";
  const char* regsvr32 = "C:\\windows\\system32\\regsvr32.exe";
  ASSERT_EQ(_spawnl(_P_WAIT, regsvr32, "regsvr32", "/s", quoted.c_str(), nullptr), 0);
  EXPECT_EQ(Read(kClass, "Stray"), "<missing>");
  ExpectRegistered();  // no Stray subkey either
  ASSERT_EQ(_spawnl(_P_WAIT, regsvr32, "regsvr32", "/u", "/s", quoted.c_str(), nullptr), 0);
  for (const std::string& key : {kClass, kProgId, kProgId + ".1", kTypeLib})
    EXPECT_EQ(Subkeys(key), "<missing>") << key;
  EXPECT_NE(Subkeys("CLSID"), "<missing>");
  ExpectCategories();
}

// The DLL's assembly manifest (resource 1 of type RT_MANIFEST, 24): the
// value of attribute `name` of its first `element`, or with an empty name
// the element's text.
std::string Manifest(const std::string& element, const std::string& name) {
  HRSRC found = FindResourceA(test::ProductModule(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  if (!found) return "<no manifest>";
  const std::string xml(
      static_cast<const char*>(LockResource(LoadResource(test::ProductModule(), found))),
      SizeofResource(test::ProductModule(), found));
  size_t at = xml.find("<" + element + (name.empty() ? ">" : " "));
  const std::string start = name.empty() ? ">" : " " + name + "=\"";
  size_t value = xml.find(start, at);
  if (at == std::string::npos || value == std::string::npos) return "<missing>";
  value += start.size();
  return xml.substr(value, xml.find(name.empty() ? '<' : '"', value) - value);
}

TEST(Registration, TheManifestDescribesTheClassAsRegistrationWritesIt) {
  // The manifest as the system reads it: an activation context made from it.
  DWORD content = 0, icon = 0;
  const std::string version = Manifest("typelib", "version");
  {
    const std::string path = test::ProductPath();
    ACTCTXA context = {};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path.c_str();
    context.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE handle = CreateActCtxA(&context);
    ULONG_PTR cookie = 0;
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(ActivateActCtx(handle, &cookie));
    EXPECT_EQ(OleRegGetMiscStatus(CLSID_CameraControlUI, DVASPECT_CONTENT, &content), S_OK);
    EXPECT_EQ(OleRegGetMiscStatus(CLSID_CameraControlUI, DVASPECT_ICON, &icon), S_OK);
    ITypeLib* library = nullptr;
    const WORD major = static_cast<WORD>(std::stoi(version)),
               minor = static_cast<WORD>(std::stoi(version.substr(version.find('.') + 1)));
    EXPECT_EQ(LoadRegTypeLib(LIBID_KVRCmnCameraControlUILib, major, minor, 0, &library), S_OK);
    if (library) library->Release();
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(handle);
  }
  ASSERT_EQ(test::CallDllRegisterServer(), S_OK);
  EXPECT_EQ(Manifest("comClass", "clsid"), kClsid);
  EXPECT_EQ(Manifest("comClass", "progid"), Read(kClass + "\\ProgID"));
  EXPECT_EQ(Manifest("progid", ""), Read(kClass + "\\VersionIndependentProgID"));
  EXPECT_EQ(Manifest("comClass", "threadingModel"),
            Read(kClass + "\\InprocServer32", "ThreadingModel"));
  EXPECT_EQ(std::to_string(content), Read(kClass + "\\MiscStatus\\1"));
  EXPECT_EQ(std::to_string(icon), Read(kClass + "\\MiscStatus"));
  EXPECT_EQ(Manifest("comClass", "tlbid"), Read(kClass + "\\TypeLib"));
  EXPECT_EQ(Manifest("typelib", "tlbid"), Read(kClass + "\\TypeLib"));
  EXPECT_EQ(version, Read(kClass + "\\Version"));
  EXPECT_NE(Read(kTypeLib), "<missing>");  // registered as that version
  auto unregister = reinterpret_cast<HRESULT(WINAPI*)()>(
      reinterpret_cast<void*>(GetProcAddress(test::ProductModule(), "DllUnregisterServer")));
  ASSERT_TRUE(unregister);
  EXPECT_EQ(unregister(), S_OK);
}

}  // namespace
