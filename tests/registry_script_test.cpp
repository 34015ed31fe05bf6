// The registry script interpreter, run against a scratch key under
// HKEY_CURRENT_USER that stands in for HKEY_CLASSES_ROOT.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "framework/registry_script.h"

using fw::RegistryScript;
using fw::ScriptReplacement;
using fw::UniqueRegKey;

namespace {

class RegistryScriptTest : public testing::Test {
 protected:
  void SetUp() override {
    // One scratch key per process: ctest runs two programs at once.
    char path[64];
    snprintf(path, sizeof path, "Software\\KVRRegistryScriptTest\\%lu", GetCurrentProcessId());
    scratchPath = path;
    RegDeleteTreeA(HKEY_CURRENT_USER, scratchPath.c_str());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, scratchPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    scratch.Reset(key);
  }

  void TearDown() override {
    scratch.Reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, scratchPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KVRRegistryScriptTest");
  }

  // Parses `text` with HKCR redirected to the scratch key.
  HRESULT Load(RegistryScript& script, const char* text,
               const std::vector<ScriptReplacement>& replacements = {}) {
    script.RedirectRoot(HKEY_CLASSES_ROOT, scratch.Get());
    return script.Parse(text, strlen(text), replacements.data(), replacements.size());
  }

  HRESULT Register(const char* text, const std::vector<ScriptReplacement>& replacements = {}) {
    RegistryScript script;
    const HRESULT hr = Load(script, text, replacements);
    return FAILED(hr) ? hr : script.Register();
  }

  HRESULT Unregister(const char* text) {
    RegistryScript script;
    const HRESULT hr = Load(script, text);
    return FAILED(hr) ? hr : script.Unregister();
  }

  void CreateKey(const char* path) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(scratch.Get(), path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                              nullptr),
              ERROR_SUCCESS);
    UniqueRegKey key(created);
  }

  void SetValue(const char* path, const char* name, DWORD type, const void* data, DWORD size) {
    CreateKey(path);
    ASSERT_EQ(RegSetKeyValueA(scratch.Get(), path, name, type, data, size), ERROR_SUCCESS);
  }

  void SetString(const char* path, const char* name, const char* text) {
    SetValue(path, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
  }

  bool Exists(const char* path) {
    HKEY opened = nullptr;
    const bool found = RegOpenKeyExA(scratch.Get(), path, 0, KEY_READ, &opened) == ERROR_SUCCESS;
    UniqueRegKey key(opened);
    return found;
  }

  // The type and bytes of a value; type REG_NONE with no bytes if missing.
  std::pair<DWORD, std::vector<BYTE>> Value(const char* path, const char* name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(scratch.Get(), path, 0, KEY_READ, &opened) != ERROR_SUCCESS)
      return {REG_NONE, {}};
    UniqueRegKey key(opened);
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      return {REG_NONE, {}};
    std::vector<BYTE> bytes(size);
    RegQueryValueExA(key.Get(), name, nullptr, &type, bytes.data(), &size);
    bytes.resize(size);
    return {type, bytes};
  }

  // A string value's text, or "<missing>".
  std::string String(const char* path, const char* name = "") {
    auto value = Value(path, name);
    if (value.first != REG_SZ) return "<missing>";
    return std::string(value.second.begin(), value.second.end()).c_str();
  }

  // Everything below the scratch key, one line per key and value, in
  // sorted order: what tests compare before and after a run.
  std::string Dump() {
    std::string out;
    DumpKey(scratch.Get(), "", out);
    return out;
  }

  static void DumpKey(HKEY key, const std::string& path, std::string& out) {
    std::vector<std::string> lines;
    char name[16384];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
      DWORD nameLength = sizeof name, size = sizeof data, type = 0;
      if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
        break;
      std::string line = path + " [" + name + "] type " + std::to_string(type) + ":";
      for (DWORD b = 0; b < size; ++b)
        line += " " + std::to_string(data[b]);
      lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    out += path + "\n";
    for (const std::string& line : lines)
      out += line + "\n";
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
      DWORD nameLength = sizeof name;
      if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
      subkeys.push_back(name);
    }
    std::sort(subkeys.begin(), subkeys.end());
    for (const std::string& subkey : subkeys) {
      HKEY opened = nullptr;
      if (RegOpenKeyExA(key, subkey.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) continue;
      UniqueRegKey child(opened);
      DumpKey(child.Get(), path + "\\" + subkey, out);
    }
  }

  std::string scratchPath;
  UniqueRegKey scratch;
};

std::vector<BYTE> Bytes(std::initializer_list<int> values) {
  std::vector<BYTE> bytes;
  for (int v : values)
    bytes.push_back(static_cast<BYTE>(v));
  return bytes;
}

std::vector<BYTE> SzBytes(const char* text) {
  return std::vector<BYTE>(text, text + strlen(text) + 1);
}

TEST_F(RegistryScriptTest, AcceptsTheScriptSyntax) {
  const char* text =
      "HKEY_CLASSES_ROOT\n"
      "{\n"
      "\tPlain.Name.1 = s 'Text with ''quotes'' and spaces'\n"
      "\t{\n"
      "\t\tCLSID = s '{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}'\n"
      "\t}\n"
      "\tnoremove Outer{forceremove {2C5F573D-5519-4F2D-BC4C-82D59B706CDA}{'val' VAL Named=S "
      "'x'}}\n"
      "\t'Quoted Name' = s ''\n"
      "}\n"
      "HKCR { Second { } }\n";
  EXPECT_EQ(Register(text), S_OK);

  EXPECT_EQ(String("Plain.Name.1"), "Text with 'quotes' and spaces");
  EXPECT_EQ(String("Plain.Name.1\\CLSID"), "{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}");
  // A quoted keyword is a key name; keywords match in any case.
  EXPECT_TRUE(Exists("Outer\\{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}\\val"));
  EXPECT_EQ(String("Outer\\{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}", "Named"), "x");
  EXPECT_EQ(String("Quoted Name"), "");
  EXPECT_TRUE(Exists("Second"));
}

TEST_F(RegistryScriptTest, SyntaxErrorsWriteNothing) {
  struct Case {
    const char* text;
    int line;
  };
  // Each starts with well-formed keys, which must not be written either.
  const Case cases[] = {
      {"HKCR { A = s 'x' }\nHKCR { B = s 'unterminated }", 2},
      {"HKCR { A = s 'x'\n B { }", 2},             // block not closed
      {"HKCR { A }\nHKXX { B }", 2},               // unknown root
      {"HKCR { A = s 'x' }\nB", 2},                // key outside a root block
      {"HKCR { A = s '%UNKNOWN%' }", 1},           // no such replacement
      {"HKCR { A = s '100%' }", 1},                // lone percent sign
      {"HKCR { A = q 'x' }", 1},                   // unknown data type
      {"HKCR { A = s bare }", 1},                  // strings are quoted
      {"HKCR { A { val N = d 4294967296 } }", 1},  // beyond 32 bits
      {"HKCR { A { val N = d '12a' } }", 1},
      {"HKCR { A { val N = d 0x } }", 1},
      {"HKCR { A { val N = b 'ABC' } }", 1},  // odd number of digits
      {"HKCR { A { val N = b 'GG' } }", 1},
      {"HKCR { A { val N } }", 1},                    // no data
      {"HKCR { A = }", 1},                            // no data
      {"HKCR {\n val N = s 'x' }", 2},                // named value of a root
      {"HKCR { A\n {\n 'B\\C' } }", 3},               // one component per name
      {"HKCR { A { '' } }", 1},                       // empty key name
      {"HKCR { A }\n HKCR { Delete B = s 'x' }", 2},  // Delete writes nothing
      {"HKCR { A }\n HKCR { Delete B { C } }", 2},    //
      {"HKCR { A { } } }", 1},                        // stray closing brace
      {"HKCR { A = s 'x' = s 'y' }", 1},              // two default values
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    RegistryScript script;
    EXPECT_EQ(Load(script, c.text), RegistryScript::kSyntaxError);
    EXPECT_EQ(script.ErrorLine(), c.line);
    // What parsed before the error is gone: nothing is written.
    EXPECT_EQ(script.Register(), S_OK);
    EXPECT_EQ(Dump(), "\n");
    RegDeleteTreeA(scratch.Get(), nullptr);
  }
}

TEST_F(RegistryScriptTest, WritesNamedValuesOfEachType) {
  ASSERT_EQ(Register("HKCR { Values {\n"
                     " val Text = s 'Apartment'\n"
                     " val Empty = s ''\n"
                     " val Decimal = d 131473\n"
                     " val Hex = d 0xFFFFFFFE\n"
                     " val Quoted = d '7'\n"
                     " val Binary = b '00ff7A10'\n"
                     " val NoBytes = b ''\n"
                     "} }"),
            S_OK);
  using Data = std::pair<DWORD, std::vector<BYTE>>;
  EXPECT_EQ(Value("Values", "Text"), Data(REG_SZ, SzBytes("Apartment")));
  EXPECT_EQ(Value("Values", "Empty"), Data(REG_SZ, SzBytes("")));
  EXPECT_EQ(Value("Values", "Decimal"), Data(REG_DWORD, Bytes({0x91, 0x01, 0x02, 0x00})));
  EXPECT_EQ(Value("Values", "Hex"), Data(REG_DWORD, Bytes({0xFE, 0xFF, 0xFF, 0xFF})));
  EXPECT_EQ(Value("Values", "Quoted"), Data(REG_DWORD, Bytes({7, 0, 0, 0})));
  EXPECT_EQ(Value("Values", "Binary"), Data(REG_BINARY, Bytes({0x00, 0xFF, 0x7A, 0x10})));
  EXPECT_EQ(Value("Values", "NoBytes"), Data(REG_BINARY, Bytes({})));
  // No default value was given, so none is written.
  EXPECT_EQ(Value("Values", "").first, static_cast<DWORD>(REG_NONE));
}

TEST_F(RegistryScriptTest, ReplacesNamesInNamesAndDataLiterally) {
  // The replacement is taken as it is: a quote in it ends nothing.
  const std::vector<ScriptReplacement> replacements = {{"MODULE", "C:\\it's here\\x.dll"},
                                                       {"Id", "Key7"}};
  ASSERT_EQ(Register("HKCR { %ID% = s '%MODULE%, 102' {\n"
                     " InprocServer32 = s '%module%'\n"
                     " val Percent = s '100%% of %%MODULE%%'\n"
                     "} }",
                     replacements),
            S_OK);
  EXPECT_EQ(String("Key7"), "C:\\it's here\\x.dll, 102");
  EXPECT_EQ(String("Key7\\InprocServer32"), "C:\\it's here\\x.dll");
  EXPECT_EQ(String("Key7", "Percent"), "100% of %MODULE%");
}

const char kClassScript[] =
    "HKCR {\n"
    " Prog.Id = s 'Program' { CLSID = s '{id}' }\n"
    " NoRemove CLSID {\n"
    "  ForceRemove Class = s 'Class name' {\n"
    "   InprocServer32 = s 'x.dll' { val ThreadingModel = s 'Apartment' }\n"
    "   ForceRemove Control\n"
    "  }\n"
    " }\n"
    "}";

TEST_F(RegistryScriptTest, ForceRemoveRewritesTheKeyCleanOnEachRegistration) {
  ASSERT_EQ(Register(kClassScript), S_OK);
  const std::string first = Dump();
  // Strays below the class key, and in a plain key outside it.
  SetString("CLSID\\Class\\Stray", "", "left over");
  SetString("CLSID\\Class", "StrayValue", "left over");
  SetString("Prog.Id\\Foreign", "", "someone else's");

  ASSERT_EQ(Register(kClassScript), S_OK);
  EXPECT_FALSE(Exists("CLSID\\Class\\Stray"));
  EXPECT_EQ(String("CLSID\\Class", "StrayValue"), "<missing>");
  EXPECT_EQ(String("CLSID\\Class\\InprocServer32", "ThreadingModel"), "Apartment");
  // A plain key is written over, not cleared.
  EXPECT_EQ(String("Prog.Id\\Foreign"), "someone else's");
  RegDeleteTreeA(scratch.Get(), "Prog.Id\\Foreign");
  EXPECT_EQ(Dump(), first);
}

TEST_F(RegistryScriptTest, DeleteRemovesAKeyWithItsSubkeysOnRegistrationOnly) {
  SetString("Old\\Sub\\Deeper", "", "x");
  SetString("Old", "Value", "y");
  SetString("Kept", "", "z");
  const char* script = "HKCR { Delete Old  Delete Absent  New = s 'n' }";
  ASSERT_EQ(Register(script), S_OK);
  EXPECT_FALSE(Exists("Old"));
  EXPECT_FALSE(Exists("Absent"));
  EXPECT_EQ(String("New"), "n");

  SetString("Old", "", "again");
  ASSERT_EQ(Unregister(script), S_OK);
  EXPECT_EQ(String("Old"), "again");
  EXPECT_FALSE(Exists("New"));
  EXPECT_EQ(String("Kept"), "z");
}

TEST_F(RegistryScriptTest, UnregistrationKeepsForeignSubkeysAndNoRemoveKeys) {
  const char* script =
      "HKCR {\n"
      " NoRemove Shared {\n"
      "  Mine = s 'm' { val Named = s 'n' }\n"
      "  Crowded = s 'c' { val Named = s 'n'  Inner = s 'i' }\n"
      "  ForceRemove Forced { Sub }\n"
      "  NoRemove Fixed = s 'f'\n"
      " }\n"
      " Parent { NoRemove Child }\n"
      " Lonely = s 'l'\n"
      "}";
  ASSERT_EQ(Register(script), S_OK);
  SetString("Shared\\Mine", "ForeignValue", "values do not keep a key");
  SetString("Shared\\Crowded\\Foreign", "", "keeps its parent");
  SetString("Shared\\Crowded", "ForeignValue", "stays with the key");
  SetString("Shared\\Forced\\Foreign", "", "goes with the forced key");
  SetString("Shared\\Other", "", "not the script's");

  ASSERT_EQ(Unregister(script), S_OK);
  EXPECT_FALSE(Exists("Shared\\Mine"));
  // Kept for its foreign subkey: the script's own subkeys and named values
  // go, the default value and foreign content stay.
  EXPECT_TRUE(Exists("Shared\\Crowded\\Foreign"));
  EXPECT_FALSE(Exists("Shared\\Crowded\\Inner"));
  EXPECT_EQ(String("Shared\\Crowded", "Named"), "<missing>");
  EXPECT_EQ(String("Shared\\Crowded"), "c");
  EXPECT_EQ(String("Shared\\Crowded", "ForeignValue"), "stays with the key");
  EXPECT_FALSE(Exists("Shared\\Forced"));
  EXPECT_EQ(String("Shared\\Fixed"), "f");
  EXPECT_EQ(String("Shared\\Other"), "not the script's");
  // A plain key holding a NoRemove key is not empty, so it stays.
  EXPECT_TRUE(Exists("Parent\\Child"));
  EXPECT_FALSE(Exists("Lonely"));

  // A second unregistration finds the rest missing and is content.
  const std::string after = Dump();
  EXPECT_EQ(Unregister(script), S_OK);
  EXPECT_EQ(Dump(), after);
}

TEST_F(RegistryScriptTest, UnregistrationOfNothingRegisteredCreatesNothing) {
  EXPECT_EQ(Unregister(kClassScript), S_OK);
  EXPECT_EQ(Dump(), "\n");
}

// The error the registry itself gives for creating key `name` (or, with
// value, for writing value `name`) in the scratch key.
HRESULT RegistryRefusal(HKEY scratch, const std::string& name, bool value) {
  LONG error;
  if (value) {
    error = RegSetValueExA(scratch, name.c_str(), 0, REG_SZ, SzBytes("x").data(), 2);
  } else {
    HKEY created = nullptr;
    error = RegCreateKeyExA(scratch, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                            nullptr);
    UniqueRegKey key(created);
  }
  return HRESULT_FROM_WIN32(static_cast<DWORD>(error));
}

// State that a failing run touches: a value it overwrites with another
// type, a key it force-removes, a plain key it adds to.
class RegistryScriptUndoTest : public RegistryScriptTest {
 protected:
  void SetUp() override {
    RegistryScriptTest::SetUp();
    const DWORD number = 42;
    SetValue("Existing", "Changed", REG_DWORD, &number, sizeof number);
    SetString("Existing", "", "old default");
    SetString("Existing\\Foreign", "", "untouched");
    SetString("Forced", "", "old forced");
    SetString("Forced\\Sub\\Deep", "Value", "old deep");
    SetValue("Forced\\Sub", "Bits", REG_BINARY, "\x01\x02", 2);
    before = Dump();
  }

  // A script that changes all of that and then fails at `failing`.
  HRESULT RegisterFailingAt(const std::string& failing) {
    const std::string text =
        "HKCR {\n"
        " Existing = s 'new default' {\n"
        "  val Changed = s 'now a string'\n"
        "  val Added = d 1\n"
        "  NewSub = s 'x' { Deeper { val V = b '01' } }\n"
        " }\n"
        " ForceRemove Forced = s 'new forced' { Replacement }\n"
        " Fresh { Fresher = s 'y' }\n"
        " " +
        failing +
        "\n"
        " NeverReached = s 'z'\n"
        "}";
    return Register(text.c_str());
  }

  std::string before;
};

TEST_F(RegistryScriptUndoTest, AKeyTheRegistryRefusesUndoesTheRun) {
  const std::string name(300, 'k');
  const HRESULT refusal = RegistryRefusal(scratch.Get(), name, false);
  ASSERT_TRUE(FAILED(refusal)) << "the registry accepts a 300-character key name";

  EXPECT_EQ(RegisterFailingAt("Fresh { '" + name + "' }"), refusal);
  EXPECT_EQ(Dump(), before);
}

TEST_F(RegistryScriptUndoTest, AValueTheRegistryRefusesUndoesTheRun) {
  const std::string name(16384, 'v');
  const HRESULT refusal = RegistryRefusal(scratch.Get(), name, true);
  ASSERT_TRUE(FAILED(refusal)) << "the registry accepts a 16384-character value name";

  EXPECT_EQ(RegisterFailingAt("Existing { val '" + name + "' = s 'x' }"), refusal);
  EXPECT_EQ(Dump(), before);
}

TEST_F(RegistryScriptUndoTest, AFailureAfterASuccessfulRunOnlyUndoesItsOwnRun) {
  ASSERT_EQ(RegisterFailingAt(""), S_OK);
  EXPECT_EQ(String("Existing", "Changed"), "now a string");
  EXPECT_EQ(String("Forced"), "new forced");
  EXPECT_TRUE(Exists("Forced\\Replacement"));
  EXPECT_FALSE(Exists("Forced\\Sub"));
  // Changes after that run, which the failing run overwrites or deletes.
  SetString("Existing", "Changed", "edited since");
  SetString("Forced\\Extra", "", "added since");
  const std::string registered = Dump();

  EXPECT_TRUE(FAILED(RegisterFailingAt("Fresh { '" + std::string(300, 'k') + "' }")));
  EXPECT_EQ(Dump(), registered);
}

}  // namespace
