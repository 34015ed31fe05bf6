// Registration of the COM server through the system's regsvr32, checked in
// HKEY_CLASSES_ROOT; unregistration leaves the suite's categories only.
// Registration without the registry, from the DLL's manifest, is
// release_test's (RegistrationFree).
#include <windows.h>
#include <process.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/product_dll.h"

namespace {

const std::string kClsid = "{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}", kClass = "CLSID\\" + kClsid;
const std::string kProgId = "KVR.Cmn.CameraControlUI", kName = "KVR Cmn CameraControlUI";
const std::string kLibId = "{3851E9D7-1390-4BDE-8C71-CD37914B73C5}";
const std::string kTypeLib = "TypeLib\\" + kLibId + "\\1.0";

// A key's string value `name` or, for "*", its subkeys' names; "<missing>".
std::string Read(const std::string& path, const std::string& name) {
  HKEY key = nullptr;
  char text[1024];
  DWORD size = sizeof text;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key)) return "<missing>";
  std::string out = name == "*" ? "" : "<missing>";
  if (name != "*" && !RegGetValueA(key, nullptr, name.c_str(), RRF_RT_REG_SZ, 0, text, &size))
    out = text;
  for (DWORD i = 0; name == "*" && !RegEnumKeyA(key, i, text, sizeof text); ++i)
    out += std::string(text) + "|";
  RegCloseKey(key);
  return out;
}

int Regsvr32(const char* option) {
  const std::string quoted = "\"" + test::ProductPath() + "\"";
  return _spawnl(_P_WAIT, "C:\\windows\\system32\\regsvr32.exe", "regsvr32", "/s", option,
                 quoted.c_str(), nullptr);
}

// The suite's ten categories, which stay registered.
void ExpectCategories() {
  std::string found;
  for (char digit = '0'; digit <= '9'; ++digit)
    found += Read("Component Categories\\{4843824" + std::string{digit} +
                      "-CCB3-11D2-B795-0008C772402B}",
                  "409") +
             "|";
  EXPECT_EQ(found,
            "KVR BEX Component|KVR BEX User Interface|KVR BEX Provider|KVR BEX Configuration "
            "Component|KVR ZEF MfcMdiComponent|KVR ZEF Feature|KVR ZEF BaseComponent|KVR Settings "
            "Component|KVR BEX Custom Filter Component|KVR BEX Common Audio Control|");
}

// Registered over stray values of an earlier registration (which go), then
// unregistered.
TEST(Registration, RegistersCleanlyOverStrayValuesAndUnregisters) {
  RegSetKeyValueA(HKEY_CLASSES_ROOT, (kClass + "\\Stray").c_str(), "Stray", REG_SZ, "x", 2);
  RegSetKeyValueA(HKEY_CLASSES_ROOT, kClass.c_str(), "Stray", REG_SZ, "x", 2);
  ASSERT_EQ(Regsvr32("/s"), 0);
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
      {kClass, "Stray", "<missing>"},
      {kClass, "*",
       "Control|Implemented Categories|InprocServer32|MiscStatus|ProgID|Programmable|"
       "ToolboxBitmap32|TypeLib|Version|VersionIndependentProgID|"},
      {kClass + "\\Implemented Categories", "*",
       "{48438240-CCB3-11D2-B795-0008C772402B}|{48438241-CCB3-11D2-B795-0008C772402B}|"},
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
  for (const auto& [key, name, value] : values)
    EXPECT_EQ(Read(key, name), value) << key << " [" << name << "]";
  ExpectCategories();

  ASSERT_EQ(Regsvr32("/u"), 0);
  for (const std::string& key : {kClass, kProgId, kProgId + ".1", kTypeLib})
    EXPECT_EQ(Read(key, "*"), "<missing>") << key;
  EXPECT_NE(Read("CLSID", "*"), "<missing>");
  ExpectCategories();
}

}  // namespace
