// The integration guide quotes the demo host's code as the build compiles
// it: a piece between "// [guide: NAME]" and "// [guide end]" in tools/ is
// the ```cpp block after "<!-- snippet: NAME -->" in docs/integration.md,
// without the common indentation, quoted once. KVR_UPDATE_GUIDE=1 rewrites
// the quotes from the sources instead (then check the change and commit it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = KVR_SOURCE_DIR;
const fs::path kGuide = kRoot / "docs" / "integration.md";

std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

std::string Trimmed(const std::string& line) {
  return line.substr(std::min(line.size(), line.find_first_not_of(' ')));
}

// The lines of a piece without the indentation they all share.
std::string Dedented(const std::vector<std::string>& lines) {
  size_t indent = std::string::npos;
  for (const std::string& line : lines)
    if (!Trimmed(line).empty()) indent = std::min(indent, line.find_first_not_of(' '));
  std::string text;
  for (const std::string& line : lines)
    text += (line.size() > indent ? line.substr(indent) : Trimmed(line)) + "\n";
  return text;
}

// Name → text of every marked piece in the C++ files under tools/.
std::map<std::string, std::string> SourcePieces() {
  std::map<std::string, std::string> pieces;
  for (const auto& entry : fs::recursive_directory_iterator(kRoot / "tools")) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".cpp" && extension != ".h") continue;
    std::string name;
    std::vector<std::string> body;
    for (const std::string& line : ReadLines(entry.path())) {
      const std::string text = Trimmed(line);
      if (text.rfind("// [guide: ", 0) == 0) {
        name = text.substr(11, text.size() - 12);
        body.clear();
      } else if (text == "// [guide end]" && !name.empty()) {
        EXPECT_EQ(pieces.count(name), 0u) << "piece " << name << " is marked twice";
        pieces[name] = Dedented(body);
        name.clear();
      } else if (!name.empty()) {
        body.push_back(line);
      }
    }
    EXPECT_TRUE(name.empty()) << entry.path() << ": piece " << name << " has no end";
  }
  return pieces;
}

// Every marked piece quoted once, every quote of a marked piece, matching.
TEST(IntegrationGuide, QuotesTheDemoHostAsItIsBuilt) {
  const std::map<std::string, std::string> pieces = SourcePieces();
  ASSERT_FALSE(pieces.empty()) << "no marked pieces under " << kRoot / "tools";
  const std::vector<std::string> lines = ReadLines(kGuide);
  ASSERT_FALSE(lines.empty()) << "cannot read " << kGuide;

  const bool update = std::getenv("KVR_UPDATE_GUIDE") != nullptr;
  const std::string marker = "<!-- snippet: ";
  std::map<std::string, int> quoted;
  std::string rewritten;  // the guide with every quote copied from its source
  for (size_t i = 0; i < lines.size(); ++i) {
    rewritten += lines[i] + "\n";
    if (lines[i].rfind(marker, 0) != 0) continue;
    const std::string name = lines[i].substr(marker.size(), lines[i].find(" -->") - marker.size());
    ++quoted[name];
    if (i + 1 == lines.size() || lines[i + 1] != "```cpp") {
      ADD_FAILURE() << "line " << i + 1 << ": no ```cpp block after the marker of " << name;
      continue;
    }
    size_t end = i + 2;
    std::string text;
    for (; end < lines.size() && lines[end] != "```"; ++end)
      text += lines[end] + "\n";
    const auto piece = pieces.find(name);
    if (end == lines.size() || piece == pieces.end()) {
      ADD_FAILURE() << "the guide quotes " << name
                    << (end == lines.size() ? " in a block without end"
                                            : ", which no source marks");
      continue;
    }
    if (!update)
      EXPECT_EQ(text, piece->second) << "the guide's quote of " << name
                                     << " differs from the source; run this test with "
                                        "KVR_UPDATE_GUIDE=1 to copy the source into the guide";
    rewritten += lines[i + 1] + "\n" + piece->second;
    i = end - 1;  // the closing fence is copied next
  }
  for (const auto& piece : pieces)
    EXPECT_EQ(quoted[piece.first], 1)
        << "piece " << piece.first << " is quoted " << quoted[piece.first] << " times in the guide";
  if (update) std::ofstream(kGuide) << rewritten;
}

}  // namespace
