// The integration guide quotes the demo host's code; this test keeps the
// quotes and the code that the build compiles the same.
//
// In the sources a quoted piece stands between the comment lines
// "// [guide: NAME]" and "// [guide end]". In docs/integration.md it is the
// ```cpp block after the line "<!-- snippet: NAME -->", without the common
// indentation. Every piece must be quoted and every quote must match.
// With KVR_UPDATE_GUIDE=1 in the environment the test rewrites the quotes
// from the sources instead (then check the change and commit it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
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
  size_t begin = line.find_first_not_of(' ');
  return begin == std::string::npos ? std::string() : line.substr(begin);
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
    std::string extension = entry.path().extension().string();
    if (extension != ".cpp" && extension != ".h") continue;
    std::string name;
    std::vector<std::string> body;
    for (const std::string& line : ReadLines(entry.path())) {
      std::string text = Trimmed(line);
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

struct Quote {
  std::string name;
  size_t first;  // first line of the block's text
  size_t end;    // the closing fence
};

std::vector<Quote> GuideQuotes(const std::vector<std::string>& lines) {
  std::vector<Quote> quotes;
  const std::string marker = "<!-- snippet: ";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(marker, 0) != 0) continue;
    Quote quote{lines[i].substr(marker.size(), lines[i].find(" -->") - marker.size()), i + 2, 0};
    EXPECT_TRUE(i + 1 < lines.size() && lines[i + 1] == "```cpp")
        << "line " << i + 1 << ": no ```cpp block after the marker of " << quote.name;
    for (size_t j = quote.first; j < lines.size() && !quote.end; ++j)
      if (lines[j] == "```") quote.end = j;
    EXPECT_NE(quote.end, 0u) << "the block of " << quote.name << " has no end";
    if (quote.end) quotes.push_back(quote);
  }
  return quotes;
}

TEST(IntegrationGuide, QuotesTheDemoHostAsItIsBuilt) {
  std::map<std::string, std::string> pieces = SourcePieces();
  ASSERT_FALSE(pieces.empty()) << "no marked pieces under " << kRoot / "tools";
  std::vector<std::string> lines = ReadLines(kGuide);
  ASSERT_FALSE(lines.empty()) << "cannot read " << kGuide;
  std::vector<Quote> quotes = GuideQuotes(lines);

  bool update = std::getenv("KVR_UPDATE_GUIDE") != nullptr;
  std::map<std::string, int> quoted;
  std::string rewritten;
  size_t copied = 0;
  for (const Quote& quote : quotes) {
    ++quoted[quote.name];
    auto piece = pieces.find(quote.name);
    if (piece == pieces.end()) {
      ADD_FAILURE() << "the guide quotes " << quote.name << ", which no source marks";
      continue;
    }
    std::vector<std::string> block(lines.begin() + quote.first, lines.begin() + quote.end);
    std::string text;
    for (const std::string& line : block)
      text += line + "\n";
    if (update) {
      for (; copied < quote.first; ++copied)
        rewritten += lines[copied] + "\n";
      rewritten += piece->second;
      copied = quote.end;
    } else {
      EXPECT_EQ(text, piece->second) << "the guide's quote of " << quote.name
                                     << " differs from the source; run this test with "
                                        "KVR_UPDATE_GUIDE=1 to copy the source into the guide";
    }
  }
  for (const auto& piece : pieces)
    EXPECT_EQ(quoted[piece.first], 1) << "piece " << piece.first << " is quoted "
                                      << quoted[piece.first] << " times in the guide";
  if (update) {
    for (; copied < lines.size(); ++copied)
      rewritten += lines[copied] + "\n";
    std::ofstream(kGuide) << rewritten;
  }
}

}  // namespace
