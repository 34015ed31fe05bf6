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
const std::string kLibId = "{3851E9D7-1390-4BDE-8C71-CD37914B73C5}";
const std::string kTypeLib = "TypeLib\\" + kLibId + "\\1.0";

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
  for (char digit = '0'; digit <= '9'; ++digit) {
    const std::string key = "Component Categories\\{4843824" + std::string{digit};
    found += Read(key + "-CCB3-11D2-B795-0008C772402B}", "409") + "|";
  }
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
  const std::string values[][3] = {{kProgId + ".1", "", kName},
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
                                   {kClass + "\\TypeLib", "", kLibId},
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

// The DLL's assembly manifest (resource 1 of type RT_MANIFEST, 24): the
// value of attribute `name` of its first `element`, or with an empty name
// the element's text.
std::string Manifest(const std::string& element, const std::string& name) {
  HRSRC found = FindResourceA(test::ProductModule(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  if (!found) return "<no manifest>";
  const std::string xml(
      static_cast<const char*>(LockResource(LoadResource(test::ProductModule(), found))),
      SizeofResource(test::ProductModule(), found));
  const size_t at = xml.find("<" + element + (name.empty() ? ">" : " "));
  const std::string start = name.empty() ? ">" : " " + name + "=\"";
  size_t value = xml.find(start, at);
  if (at == std::string::npos || value == std::string::npos) return "<missing>";
  value += start.size();
  return xml.substr(value, xml.find(name.empty() ? '<' : '"', value) - value);
}

// Registered by the export, registered again through the system's regsvr32
// over stray values (which go), compared with the manifest, unregistered;
// then, with nothing registered, the manifest as the system reads it (an
// activation context made from it) gives the registry's values.
TEST(Registration, RegistersCleanlyAgainAsTheManifestSaysAndUnregisters) {
  ASSERT_EQ(test::CallDllRegisterServer(), S_OK);
  ExpectRegistered();
  RegSetKeyValueA(HKEY_CLASSES_ROOT, (kClass + "\\Stray").c_str(), "Stray", REG_SZ, "x", 2);
  RegSetKeyValueA(HKEY_CLASSES_ROOT, kClass.c_str(), "Stray", REG_SZ, "x", 2);
  const std::string quoted = "\"" + test::ProductPath() + "\"";
  const char* regsvr32 = "C:\\windows\\system32\\regsvr32.exe";
  ASSERT_EQ(_spawnl(_P_WAIT, regsvr32, "regsvr32", "/s", quoted.c_str(), nullptr), 0);
  EXPECT_EQ(Read(kClass, "Stray"), "<missing>");
  ExpectRegistered();  // no Stray subkey either

  const std::string version = Manifest("typelib", "version");
  const std::pair<std::string, std::string> same[] = {
      {Manifest("comClass", "clsid"), kClsid},
      {Manifest("comClass", "progid"), Read(kClass + "\\ProgID")},
      {Manifest("progid", ""), Read(kClass + "\\VersionIndependentProgID")},
      {Manifest("comClass", "threadingModel"), Read(kClass + "\\InprocServer32", "ThreadingModel")},
      {Manifest("comClass", "tlbid"), Read(kClass + "\\TypeLib")},
      {Manifest("typelib", "tlbid"), Read(kClass + "\\TypeLib")},
      {version, Read(kClass + "\\Version")}};
  for (const auto& [manifest, registry] : same)
    EXPECT_EQ(manifest, registry);
  EXPECT_NE(Read(kTypeLib), "<missing>");  // registered as that version
  const std::string misc[] = {Read(kClass + "\\MiscStatus\\1"), Read(kClass + "\\MiscStatus")};

  ASSERT_EQ(_spawnl(_P_WAIT, regsvr32, "regsvr32", "/u", "/s", quoted.c_str(), nullptr), 0);
  for (const std::string& key : {kClass, kProgId, kProgId + ".1", kTypeLib})
    EXPECT_EQ(Subkeys(key), "<missing>") << key;
  EXPECT_NE(Subkeys("CLSID"), "<missing>");
  ExpectCategories();

  const std::string path = test::ProductPath();
  ACTCTXA context = {sizeof context,
                     ACTCTX_FLAG_RESOURCE_NAME_VALID,
                     path.c_str(),
                     0,
                     0,
                     nullptr,
                     MAKEINTRESOURCEA(1),
                     nullptr,
                     nullptr};
  HANDLE handle = CreateActCtxA(&context);
  ULONG_PTR cookie = 0;
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(ActivateActCtx(handle, &cookie));
  DWORD status[2] = {};
  EXPECT_EQ(OleRegGetMiscStatus(CLSID_CameraControlUI, DVASPECT_CONTENT, &status[0]), S_OK);
  EXPECT_EQ(OleRegGetMiscStatus(CLSID_CameraControlUI, DVASPECT_ICON, &status[1]), S_OK);
  EXPECT_EQ(std::to_string(status[0]) + "," + std::to_string(status[1]), misc[0] + "," + misc[1]);
  test::ComPtr<ITypeLib> library;
  EXPECT_EQ(LoadRegTypeLib(LIBID_KVRCmnCameraControlUILib, WORD(std::stoi(version)),
                           WORD(std::stoi(version.substr(version.find('.') + 1))), 0, &library),
            S_OK);
  DeactivateActCtx(0, cookie);
  ReleaseActCtx(handle);
}

}  // namespace
