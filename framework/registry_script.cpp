#include "framework/registry_script.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "framework/handles.h"

namespace fw {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

bool SameText(const std::string& a, const char* b) {
  return lstrcmpiA(a.c_str(), b) == 0;
}

std::string JoinPath(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + '\\' + name;
}

HRESULT FromWin32(LONG error) {
  return HRESULT_FROM_WIN32(static_cast<DWORD>(error));
}

LONG WriteValue(HKEY key, const char* name, DWORD type, const std::vector<BYTE>& bytes) {
  return RegSetValueExA(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" at `text`, within `available`.
constexpr size_t kGuidTextLength = 38;
bool IsGuidText(const char* text, size_t available) {
  if (available < kGuidTextLength || text[0] != '{' || text[kGuidTextLength - 1] != '}')
    return false;
  for (size_t i = 1; i < kGuidTextLength - 1; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != '-' : !IsHexDigit(text[i])) return false;
  }
  return true;
}

struct RootName {
  const char* shortName;
  const char* longName;
  HKEY key;
};
const RootName kRoots[] = {
    {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
};

}  // namespace

// Tokens and the recursive descent over them. Every name and data text
// has its %NAME% replacements applied as it is read.
class RegistryScript::Parser {
 public:
  Parser(const char* text, size_t length, const ScriptReplacement* replacements,
         size_t replacementCount)
      : text(text),
        length(length),
        replacements(replacements),
        replacementCount(replacementCount) {}

  bool ParseScript(std::vector<RootBlock>& blocks) {
    for (;;) {
      Token token;
      if (!Next(token)) return false;
      if (token.kind == Token::End) return true;
      if (token.kind != Token::Word) return false;
      RootBlock block{nullptr, {}};
      for (const RootName& root : kRoots) {
        if (SameText(token.text, root.shortName) || SameText(token.text, root.longName))
          block.root = root.key;
      }
      if (!block.root || !Expect(Token::Open) || !ParseBody(block.keys, false)) return false;
      blocks.push_back(std::move(block));
    }
  }

  int Line() const { return line; }

 private:
  struct Token {
    enum Kind { End, Open, Close, Equals, Word, Quoted } kind = End;
    std::string text;  // of Word and Quoted, before replacement
  };

  // Keys (and with allowValues named values) up to the closing brace.
  bool ParseBody(std::vector<Node>& nodes, bool allowValues) {
    for (;;) {
      Token token;
      if (!Next(token)) return false;
      if (token.kind == Token::Close) return true;
      Node node;
      if (token.kind == Token::Word && SameText(token.text, "val")) {
        // A root has no values of its own.
        if (!allowValues) return false;
        node.isValue = true;
        if (!Next(token) || !ReadName(token, node.name) || !Expect(Token::Equals) ||
            !ParseData(node.data))
          return false;
        node.hasData = true;
      } else if (!ParseKey(token, node)) {
        return false;
      }
      nodes.push_back(std::move(node));
    }
  }

  bool ParseKey(Token& token, Node& node) {
    if (token.kind == Token::Word) {
      if (SameText(token.text, "NoRemove")) node.rule = Rule::NoRemove;
      if (SameText(token.text, "ForceRemove")) node.rule = Rule::ForceRemove;
      if (SameText(token.text, "Delete")) node.rule = Rule::Delete;
      if (node.rule != Rule::Plain && !Next(token)) return false;
    }
    // A key name is one path component.
    if (!ReadName(token, node.name) || node.name.empty() ||
        node.name.find('\\') != std::string::npos)
      return false;
    if (node.rule == Rule::Delete) return true;  // deleted, never written
    if (!Peek(token)) return false;
    if (token.kind == Token::Equals) {
      Next(token);
      if (!ParseData(node.data)) return false;
      node.hasData = true;
      if (!Peek(token)) return false;
    }
    if (token.kind == Token::Open) {
      Next(token);
      return ParseBody(node.children, true);
    }
    return true;
  }

  bool ReadName(const Token& token, std::string& name) {
    if (token.kind != Token::Word && token.kind != Token::Quoted) return false;
    return Replace(token.text, name);
  }

  // s 'text' | d number | b hex
  bool ParseData(Data& data) {
    Token type, value;
    if (!Next(type) || type.kind != Token::Word || !Next(value)) return false;
    std::string text;
    if (value.kind != Token::Quoted && value.kind != Token::Word) return false;
    if (!Replace(value.text, text)) return false;
    if (SameText(type.text, "s")) {
      if (value.kind != Token::Quoted) return false;
      data.type = REG_SZ;
      data.bytes.assign(text.begin(), text.end());
      data.bytes.push_back(0);
      return true;
    }
    if (SameText(type.text, "d")) {
      DWORD number;
      if (!ParseNumber(text, number)) return false;
      data.type = REG_DWORD;
      const BYTE* bytes = reinterpret_cast<const BYTE*>(&number);
      data.bytes.assign(bytes, bytes + sizeof number);
      return true;
    }
    if (SameText(type.text, "b")) {
      if (text.size() % 2 != 0) return false;
      data.type = REG_BINARY;
      for (size_t i = 0; i < text.size(); i += 2) {
        if (!IsHexDigit(text[i]) || !IsHexDigit(text[i + 1])) return false;
        data.bytes.push_back(static_cast<BYTE>(HexValue(text[i]) * 16 + HexValue(text[i + 1])));
      }
      return true;
    }
    return false;
  }

  // Decimal, or hexadecimal after 0x; no sign; at most 0xFFFFFFFF.
  static bool ParseNumber(const std::string& text, DWORD& number) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const size_t start = hex ? 2 : 0;
    if (text.size() == start) return false;
    unsigned long long value = 0;
    for (size_t i = start; i < text.size(); ++i) {
      const char c = text[i];
      if (hex ? !IsHexDigit(c) : !(c >= '0' && c <= '9')) return false;
      value = value * (hex ? 16 : 10) + static_cast<unsigned>(HexValue(c));
      if (value > 0xFFFFFFFFull) return false;
    }
    number = static_cast<DWORD>(value);
    return true;
  }

  bool Replace(const std::string& in, std::string& out) const {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
      if (in[i] != '%') {
        out += in[i];
        continue;
      }
      const size_t end = in.find('%', i + 1);
      if (end == std::string::npos) return false;
      if (end == i + 1) {
        out += '%';
      } else {
        const std::string name = in.substr(i + 1, end - i - 1);
        size_t r = 0;
        while (r < replacementCount && !SameText(name, replacements[r].name))
          ++r;
        if (r == replacementCount) return false;
        out += replacements[r].value;
      }
      i = end;
    }
    return true;
  }

  bool Expect(Token::Kind kind) {
    Token token;
    return Next(token) && token.kind == kind;
  }

  bool Peek(Token& token) {
    if (!hasPeeked) {
      if (!Read(peeked)) return false;
      hasPeeked = true;
    }
    token = peeked;
    return true;
  }

  bool Next(Token& token) {
    if (hasPeeked) {
      hasPeeked = false;
      token = std::move(peeked);
      return true;
    }
    return Read(token);
  }

  // False on an unterminated quote.
  bool Read(Token& token) {
    token.text.clear();
    while (pos < length && IsSpace(text[pos])) {
      if (text[pos] == '\n') ++line;
      ++pos;
    }
    if (pos == length) {
      token.kind = Token::End;
      return true;
    }
    const char c = text[pos];
    if (c == '{' && IsGuidText(text + pos, length - pos)) {
      token.kind = Token::Word;
      token.text.assign(text + pos, kGuidTextLength);
      pos += kGuidTextLength;
      return true;
    }
    if (c == '{' || c == '}' || c == '=') {
      token.kind = c == '{' ? Token::Open : c == '}' ? Token::Close : Token::Equals;
      ++pos;
      return true;
    }
    if (c == '\'') {
      token.kind = Token::Quoted;
      for (++pos;; ++pos) {
        if (pos == length) return false;
        if (text[pos] == '\n') ++line;
        if (text[pos] == '\'') {
          if (pos + 1 < length && text[pos + 1] == '\'') {
            ++pos;
          } else {
            ++pos;
            return true;
          }
        }
        token.text += text[pos];
      }
    }
    token.kind = Token::Word;
    while (pos < length && !IsSpace(text[pos]) && text[pos] != '{' && text[pos] != '}' &&
           text[pos] != '=' && text[pos] != '\'') {
      token.text += text[pos++];
    }
    return true;
  }

  const char* text;
  size_t length;
  const ScriptReplacement* replacements;
  size_t replacementCount;
  size_t pos = 0;
  int line = 1;
  Token peeked;
  bool hasPeeked = false;
};

// What a registration run changed, so that a failure can take it back.
class RegistryScript::Journal {
 public:
  Journal() = default;
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  void KeyCreated(HKEY root, const std::string& path) { Add(Entry::KeyCreated, root, path); }
  void ValueCreated(HKEY root, const std::string& path, const char* name) {
    Add(Entry::ValueCreated, root, path).value.name = name;
  }
  void ValueOverwritten(HKEY root, const std::string& path, const char* name, Data old) {
    Node& value = Add(Entry::ValueOverwritten, root, path).value;
    value.name = name;
    value.data = std::move(old);
  }

  // Deletes key `path` with its subkeys after saving what it holds. A key
  // that does not exist is not an error.
  HRESULT DeleteTree(HKEY root, const std::string& path) {
    Node saved;
    LONG error;
    {
      UniqueRegKey key;
      HKEY opened = nullptr;
      error = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &opened);
      key.Reset(opened);
      if (error == ERROR_FILE_NOT_FOUND) return S_OK;
      if (error != ERROR_SUCCESS) return FromWin32(error);
      error = Save(key.Get(), saved);
      if (error != ERROR_SUCCESS) return FromWin32(error);
    }
    // Recorded first: even a deletion that stops half-way is restored.
    Add(Entry::KeyDeleted, root, path).value = std::move(saved);
    error = RegDeleteTreeA(root, path.c_str());
    return error == ERROR_SUCCESS ? S_OK : FromWin32(error);
  }

  // Takes every change back, newest first; failures here are ignored since
  // the run's own failure is what the caller reports.
  void Undo() {
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
      const char* path = entry->path.c_str();
      switch (entry->kind) {
        case Entry::KeyCreated:
          RegDeleteTreeA(entry->root, path);
          break;
        case Entry::ValueCreated:
        case Entry::ValueOverwritten: {
          UniqueRegKey key;
          HKEY opened = nullptr;
          if (RegOpenKeyExA(entry->root, path, 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) break;
          key.Reset(opened);
          const Node& value = entry->value;
          if (entry->kind == Entry::ValueCreated)
            RegDeleteValueA(key.Get(), value.name.c_str());
          else
            WriteValue(key.Get(), value.name.c_str(), value.data.type, value.data.bytes);
          break;
        }
        case Entry::KeyDeleted:
          Restore(entry->root, entry->path, entry->value);
          break;
      }
    }
    entries.clear();
  }

 private:
  struct Entry {
    enum Kind { KeyCreated, ValueCreated, ValueOverwritten, KeyDeleted } kind;
    HKEY root;
    std::string path;
    Node value;  // the value's name and old data, or the deleted key's tree
  };

  Entry& Add(Entry::Kind kind, HKEY root, const std::string& path) {
    entries.push_back(Entry{kind, root, path, Node{}});
    return entries.back();
  }

  // Reads the values (as value nodes, the default one with an empty name)
  // and subkeys below `key` into `tree`.
  static LONG Save(HKEY key, Node& tree) {
    DWORD subkeys = 0, maxSubkeyLength = 0, values = 0, maxNameLength = 0, maxDataSize = 0;
    LONG error = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkeyLength,
                                  nullptr, &values, &maxNameLength, &maxDataSize, nullptr, nullptr);
    if (error != ERROR_SUCCESS) return error;
    // The lengths are counted in UTF-16 units; an ANSI name may take two
    // bytes for each.
    std::vector<char> name((std::max(maxNameLength, maxSubkeyLength) + 1) * 2);
    for (DWORD i = 0; i < values; ++i) {
      Node value;
      value.isValue = true;
      value.hasData = true;
      value.data.bytes.resize(maxDataSize);
      DWORD nameLength = static_cast<DWORD>(name.size());
      DWORD size = maxDataSize;
      error = RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &value.data.type,
                            value.data.bytes.data(), &size);
      if (error != ERROR_SUCCESS) return error;
      value.name.assign(name.data(), nameLength);
      value.data.bytes.resize(size);
      tree.children.push_back(std::move(value));
    }
    for (DWORD i = 0; i < subkeys; ++i) {
      DWORD nameLength = static_cast<DWORD>(name.size());
      error = RegEnumKeyExA(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
      if (error != ERROR_SUCCESS) return error;
      Node subkey;
      subkey.name.assign(name.data(), nameLength);
      UniqueRegKey child;
      HKEY opened = nullptr;
      error = RegOpenKeyExA(key, subkey.name.c_str(), 0, KEY_READ, &opened);
      if (error != ERROR_SUCCESS) return error;
      child.Reset(opened);
      error = Save(child.Get(), subkey);
      if (error != ERROR_SUCCESS) return error;
      tree.children.push_back(std::move(subkey));
    }
    return ERROR_SUCCESS;
  }

  static void Restore(HKEY root, const std::string& path, const Node& tree) {
    UniqueRegKey key;
    HKEY created = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &created, nullptr) != ERROR_SUCCESS)
      return;
    key.Reset(created);
    for (const Node& child : tree.children) {
      if (child.isValue)
        WriteValue(key.Get(), child.name.c_str(), child.data.type, child.data.bytes);
      else
        Restore(root, JoinPath(path, child.name), child);
    }
  }

  std::vector<Entry> entries;
};

HRESULT RegistryScript::Parse(const char* text, size_t length,
                              const ScriptReplacement* replacements, size_t replacementCount) {
  blocks.clear();
  errorLine = 0;
  // A terminating NUL, if the text has one, ends the script.
  Parser parser(text, strnlen(text, length), replacements, replacementCount);
  if (!parser.ParseScript(blocks)) {
    blocks.clear();
    errorLine = parser.Line();
    return kSyntaxError;
  }
  return S_OK;
}

void RegistryScript::RedirectRoot(HKEY predefined, HKEY target) {
  for (Redirection& redirection : redirections) {
    if (redirection.predefined == predefined) {
      redirection.target = target;
      return;
    }
  }
  redirections.push_back(Redirection{predefined, target});
}

HKEY RegistryScript::MapRoot(HKEY predefined) const {
  for (const Redirection& redirection : redirections) {
    if (redirection.predefined == predefined) return redirection.target;
  }
  return predefined;
}

HRESULT RegistryScript::Register() const {
  Journal journal;
  for (const RootBlock& block : blocks) {
    for (const Node& key : block.keys) {
      const HRESULT hr = RegisterKey(MapRoot(block.root), std::string(), key, journal);
      if (FAILED(hr)) {
        journal.Undo();
        return hr;
      }
    }
  }
  return S_OK;
}

HRESULT RegistryScript::RegisterKey(HKEY root, const std::string& parentPath, const Node& node,
                                    Journal& journal) {
  const std::string path = JoinPath(parentPath, node.name);
  if (node.rule == Rule::ForceRemove || node.rule == Rule::Delete) {
    const HRESULT hr = journal.DeleteTree(root, path);
    if (FAILED(hr) || node.rule == Rule::Delete) return hr;
  }
  UniqueRegKey key;
  HKEY created = nullptr;
  DWORD disposition = 0;
  const LONG error = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE, nullptr, &created, &disposition);
  if (error != ERROR_SUCCESS) return FromWin32(error);
  key.Reset(created);
  if (disposition == REG_CREATED_NEW_KEY) journal.KeyCreated(root, path);
  if (node.hasData) {
    const HRESULT hr = SetValue(root, path, key.Get(), "", node.data, journal);
    if (FAILED(hr)) return hr;
  }
  for (const Node& child : node.children) {
    const HRESULT hr =
        child.isValue ? SetValue(root, path, key.Get(), child.name.c_str(), child.data, journal)
                      : RegisterKey(root, path, child, journal);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT RegistryScript::SetValue(HKEY root, const std::string& path, HKEY key, const char* name,
                                 const Data& data, Journal& journal) {
  Data old;
  DWORD size = 0;
  LONG error = RegQueryValueExA(key, name, nullptr, &old.type, nullptr, &size);
  const bool existed = error == ERROR_SUCCESS;
  if (existed) {
    old.bytes.resize(size);
    error = RegQueryValueExA(key, name, nullptr, &old.type, old.bytes.data(), &size);
    if (error != ERROR_SUCCESS) return FromWin32(error);
    old.bytes.resize(size);
  }
  error = WriteValue(key, name, data.type, data.bytes);
  if (error != ERROR_SUCCESS) return FromWin32(error);
  if (existed)
    journal.ValueOverwritten(root, path, name, std::move(old));
  else
    journal.ValueCreated(root, path, name);
  return S_OK;
}

HRESULT RegistryScript::Unregister() const {
  HRESULT result = S_OK;
  for (const RootBlock& block : blocks) {
    for (const Node& key : block.keys) {
      const HRESULT hr = UnregisterKey(MapRoot(block.root), std::string(), key);
      if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
  }
  return result;
}

HRESULT RegistryScript::UnregisterKey(HKEY root, const std::string& parentPath, const Node& node) {
  const std::string path = JoinPath(parentPath, node.name);
  if (node.rule == Rule::Delete) return S_OK;
  if (node.rule == Rule::ForceRemove) {
    const LONG error = RegDeleteTreeA(root, path.c_str());
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? S_OK : FromWin32(error);
  }
  HRESULT result = S_OK;
  DWORD subkeys = 0;
  {
    UniqueRegKey key;
    HKEY opened = nullptr;
    LONG error = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | KEY_WRITE, &opened);
    if (error == ERROR_FILE_NOT_FOUND) return S_OK;
    if (error != ERROR_SUCCESS) return FromWin32(error);
    key.Reset(opened);
    for (const Node& child : node.children) {
      HRESULT hr = S_OK;
      if (child.isValue) {
        error = RegDeleteValueA(key.Get(), child.name.c_str());
        if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) hr = FromWin32(error);
      } else {
        hr = UnregisterKey(root, path, child);
      }
      if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    if (node.rule == Rule::NoRemove) return result;
    error = RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr);
    if (error != ERROR_SUCCESS) return SUCCEEDED(result) ? FromWin32(error) : result;
  }
  // A subkey the script does not name (or one it keeps) keeps the key.
  if (subkeys != 0) return result;
  const LONG error = RegDeleteKeyA(root, path.c_str());
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND && SUCCEEDED(result))
    result = FromWin32(error);
  return result;
}

HRESULT RunRegistryScriptResource(HMODULE module, const char* type, WORD id, bool install,
                                  const ScriptReplacement* replacements, size_t replacementCount) {
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (!resource) return HRESULT_FROM_WIN32(GetLastError());
  HGLOBAL loaded = LoadResource(module, resource);
  const char* text = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!text) return HRESULT_FROM_WIN32(GetLastError());
  RegistryScript script;
  const HRESULT hr =
      script.Parse(text, SizeofResource(module, resource), replacements, replacementCount);
  if (FAILED(hr)) return hr;
  return install ? script.Register() : script.Unregister();
}

}  // namespace fw
