// Registry scripts: the text form in which a COM server describes the keys
// and values it writes on registration and removes on unregistration.
//
//   script   := { root '{' { key } '}' }
//   root     := HKCR | HKCU | HKLM | HKEY_CLASSES_ROOT | HKEY_CURRENT_USER
//             | HKEY_LOCAL_MACHINE
//   key      := [ NoRemove | ForceRemove ] name [ '=' data ]
//               [ '{' { key | named } '}' ]
//             | Delete name
//   named    := val name '=' data
//   data     := s 'text' | d number | b 'hex bytes'
//   name     := bare word | 'quoted text' | {GUID}
//
// Keywords are matched without regard to case; a quoted word is always a
// name. Inside quotes '' stands for one quote. %NAME% in names and data is
// replaced from the caller's table (%% is one percent sign); an unknown
// name is a syntax error. d takes decimal or 0x hexadecimal numbers that
// fit in 32 bits, quoted or not; b takes an even number of hex digits.
//
// Registration writes every key and value. A ForceRemove key is first
// deleted with all its subkeys; a Delete key is deleted with its subkeys and
// not written. Unregistration removes the named values, deletes ForceRemove
// keys with everything below them, deletes a plain key (with its values)
// only when no subkey remains in it after its own subkeys were handled, and
// never deletes a NoRemove key. Keys that are missing are skipped.
//
// The whole script is parsed before anything is written. A registration
// that fails part-way undoes what that run did, newest first: keys it
// created are deleted, values it created are deleted, values it overwrote
// get their old type and data back and keys it deleted are restored with
// their subkeys and values.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fw {

// One %NAME% of a script and its replacement text.
struct ScriptReplacement {
  const char* name;  // without the percent signs
  const char* value;
};

class RegistryScript {
 public:
  // The result of parsing a script that is not well formed.
  static constexpr HRESULT kSyntaxError = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

  RegistryScript() = default;

  // Parses `length` characters of `text`. On failure the script holds
  // nothing and ErrorLine() tells the (1-based) line where parsing stopped.
  HRESULT Parse(const char* text, size_t length, const ScriptReplacement* replacements,
                size_t replacementCount);
  int ErrorLine() const { return errorLine; }

  // Writes the keys of root `predefined` (HKEY_CLASSES_ROOT...) below
  // `target` instead; the caller keeps `target` open while the script runs.
  void RedirectRoot(HKEY predefined, HKEY target);

  HRESULT Register() const;
  HRESULT Unregister() const;

 private:
  enum class Rule { Plain, NoRemove, ForceRemove, Delete };

  struct Data {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
  };

  // A key, or with isValue a named value, of the script.
  struct Node {
    bool isValue = false;
    Rule rule = Rule::Plain;
    std::string name;
    bool hasData = false;  // a key's default value, or a named value's data
    Data data;
    std::vector<Node> children;
  };

  struct RootBlock {
    HKEY root;
    std::vector<Node> keys;
  };

  struct Redirection {
    HKEY predefined;
    HKEY target;
  };

  class Parser;
  class Journal;

  HKEY MapRoot(HKEY predefined) const;
  static HRESULT RegisterKey(HKEY root, const std::string& parentPath, const Node& key,
                             Journal& journal);
  static HRESULT SetValue(HKEY root, const std::string& path, HKEY key, const char* name,
                          const Data& data, Journal& journal);
  static HRESULT UnregisterKey(HKEY root, const std::string& parentPath, const Node& key);

  std::vector<RootBlock> blocks;
  std::vector<Redirection> redirections;
  int errorLine = 0;
};

// Runs the script held as resource `id` of `type` in `module`: registers it
// when `install` is true, else unregisters it.
HRESULT RunRegistryScriptResource(HMODULE module, const char* type, WORD id, bool install,
                                  const ScriptReplacement* replacements, size_t replacementCount);

}  // namespace fw
