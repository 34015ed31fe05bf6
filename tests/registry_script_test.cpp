// The registry script interpreter, run against a scratch key under
// HKEY_CURRENT_USER (one per process) that stands in for HKEY_CLASSES_ROOT.
#include <windows.h>
#include <gtest/gtest.h>

#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "framework/registry_script.h"

namespace {

class RegistryScriptTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string path =
        "Software\\KVRRegistryScriptTest\\" + std::to_string(GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &scratch), ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(scratch);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KVRRegistryScriptTest");
  }

  HRESULT Run(const std::string& text, bool install = true,
              const std::vector<fw::ScriptReplacement>& replacements = {}) {
    script = fw::RegistryScript();
    script.RedirectRoot(HKEY_CLASSES_ROOT, scratch);
    HRESULT hr = script.Parse(text.c_str(), text.size(), replacements.data(), replacements.size());
    return FAILED(hr) ? hr : install ? script.Register() : script.Unregister();
  }
  // Every key and value below `key`, sorted: "key|", "key[name]=text|" or "key[name]#hex|".
  std::string Dump(HKEY key, const std::string& path = "") {
    std::set<std::string> lines;
    char name[16384], data[1024];
    DWORD n = sizeof name, size = sizeof data, type = 0;
    for (DWORD i = 0; !RegEnumValueA(key, i++, name, &n, nullptr, &type, LPBYTE(data), &size);
         n = sizeof name, size = sizeof data) {
      std::string line = path + "[" + name + "]" + (type == REG_SZ ? "=" + std::string(data) : "#");
      for (DWORD b = 0; type != REG_SZ && b < size; ++b)
        line += {"0123456789abcdef"[BYTE(data[b]) >> 4], "0123456789abcdef"[data[b] & 15]};
      lines.insert(line + "|");
    }
    HKEY child = nullptr;
    for (DWORD i = 0; !RegEnumKeyA(key, i++, name, sizeof name); RegCloseKey(child)) {
      RegOpenKeyExA(key, name, 0, KEY_READ, &child);
      const std::string sub = path.empty() ? name : path + "\\" + name;
      lines.insert(sub + "|" + Dump(child, sub));
    }
    return std::accumulate(lines.begin(), lines.end(), std::string());
  }

  HKEY scratch = nullptr;
  fw::RegistryScript script;
};

// Each value type, replacements (names in any case, %% for a percent sign)
// and quoting; then scripts with a syntax error, which write nothing.
TEST_F(RegistryScriptTest, WritesKeysAndValuesOrOnASyntaxErrorNothingAndNamesItsLine) {
  ASSERT_EQ(Run("HKEY_CLASSES_ROOT { %ID% = s 'It''s %MODULE%' {\n"
                " noremove 'val' { VAL N = S '100%% %%MODULE%%' }\n"
                " {2C5F573D-5519-4F2D-BC4C-82D59B706CDA} { val D = d 131473 }\n"
                " B { val B = b '00ff7A10'  val H = d 0xFFFFFFFE  val Q = d '7' } } }",
                true, {{"MODULE", "C:\\x.dll"}, {"Id", "Key7"}}),
            S_OK);
  EXPECT_EQ(Dump(scratch),
            "Key7|Key7[]=It's C:\\x.dll|Key7\\B|Key7\\B[B]#00ff7a10|Key7\\B[H]#feffffff|"
            "Key7\\B[Q]#07000000|Key7\\val|Key7\\val[N]=100% %MODULE%|"
            "Key7\\{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}|"
            "Key7\\{2C5F573D-5519-4F2D-BC4C-82D59B706CDA}[D]#91010200|");
  RegDeleteTreeA(scratch, "Key7");
  const std::pair<const char*, int> errors[] = {
      {"HKCR { A = s 'x' }\nHKCR { B = s 'unterminated }", 2},
      {"HKCR { A = s 'x'\n B { }", 2},             // block not closed
      {"HKCR { A }\nHKXX { B }", 2},               // unknown root
      {"HKCR { A = s '%UNKNOWN%' }", 1},           // no such replacement
      {"HKCR { A { val N = d 4294967296 } }", 1},  // beyond 32 bits
      {"HKCR { A { } } }", 1},                     // stray closing brace
  };
  for (const auto& [text, line] : errors) {
    EXPECT_EQ(Run(text), fw::RegistryScript::kSyntaxError) << text;
    EXPECT_EQ(script.ErrorLine(), line) << text;
    EXPECT_EQ(script.Register(), S_OK);  // it holds nothing of what parsed before the error
    EXPECT_EQ(Dump(scratch), "") << text;
  }
}

TEST_F(RegistryScriptTest, UnregistrationKeepsNoRemoveAndForeignKeys) {
  const char* text =
      "HKCR { NoRemove Shared { Mine = s 'm' { val N = s 'n' }  ForceRemove Forced { Sub }\n"
      " Crowded = s 'c' { val N = s 'n'  Inner } } Lonely }";
  EXPECT_EQ(Run(text, false), S_OK);
  EXPECT_EQ(Dump(scratch), "");  // nothing registered: nothing created
  ASSERT_EQ(Run(text), S_OK);
  RegSetKeyValueA(scratch, "Shared\\Crowded\\Foreign", "", REG_SZ, "f", 2);
  RegSetKeyValueA(scratch, "Shared\\Forced\\Foreign", "", REG_SZ, "f", 2);
  EXPECT_EQ(Run(text, false), S_OK);
  EXPECT_EQ(Dump(scratch),
            "Shared|Shared\\Crowded|Shared\\Crowded[]=c|Shared\\Crowded\\Foreign|"
            "Shared\\Crowded\\Foreign[]=f|");
}

// Names the registry itself refuses make the failing steps.
TEST_F(RegistryScriptTest, AFailingStepUndoesItsRunAndReturnsTheFailure) {
  RegSetKeyValueA(scratch, "Existing", "", REG_SZ, "old", 4);
  RegSetKeyValueA(scratch, "Existing", "Changed", REG_SZ, "old", 4);
  RegSetKeyValueA(scratch, "Forced\\Sub\\Deep", "Value", REG_SZ, "old", 4);
  const std::string before = Dump(scratch), key(300, 'k'), value(16384, 'v');
  const std::string run =
      "HKCR { Existing = s 'new' { val Changed = d 5  val Added = d 1  New { Deeper } }\n"
      " ForceRemove Forced = s 'new forced' { Replacement }  Fresh { Fresher = s 'y' }\n";
  HKEY none = nullptr;
  const HRESULT keyError = HRESULT_FROM_WIN32(RegCreateKeyA(scratch, key.c_str(), &none));
  const HRESULT valueError =
      HRESULT_FROM_WIN32(RegSetValueExA(scratch, value.c_str(), 0, REG_SZ, LPBYTE("x"), 2));
  ASSERT_TRUE(FAILED(keyError) && FAILED(valueError));
  EXPECT_EQ(Run(run + " Fresh { '" + key + "' } }"), keyError);
  EXPECT_EQ(Dump(scratch), before);
  EXPECT_EQ(Run(run + " Existing { val '" + value + "' = s 'x' } }"), valueError);
  EXPECT_EQ(Dump(scratch), before);
}

}  // namespace
