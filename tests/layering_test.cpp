// Catches includes that point up, Qt in the Qt-free layers and sources a folder does not list.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Bottom first.
constexpr std::array<std::string_view, 10> kLayers = {
    "core",       "imaging",   "res",     "codecs", "document",
    "operations", "framework", "dialogs", "view",   "app"};
constexpr std::array<std::string_view, 2> kWithoutQt = {"core", "imaging"};

const fs::path kSource = fs::path(VANTORIA_SOURCE_DIR) / "src";

int LayerIndex(std::string_view folder) {
  const auto found = std::find(kLayers.begin(), kLayers.end(), folder);
  return found == kLayers.end() ? -1 : static_cast<int>(found - kLayers.begin());
}

std::string ReadFile(const fs::path& path) {
  std::ifstream stream(path);
  std::stringstream text;
  text << stream.rdbuf();
  return text.str();
}

TEST(Layering, EveryFolderIsALayer) {
  for (const fs::directory_entry& entry : fs::directory_iterator(kSource)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory()) {
      EXPECT_GE(LayerIndex(name), 0) << "src/" << name << " is not one of the layers";
    } else {
      EXPECT_EQ(name, "CMakeLists.txt") << "src/" << name << " lies outside every layer";
    }
  }
}

TEST(Layering, IncludesPointDownOnly) {
  const std::regex include(R"re(#\s*include\s*"([a-z_]+)/[^"]*")re");
  const std::regex qtHeader(R"re(#\s*include\s*<Q[A-Za-z]*(/[A-Za-z]*)?>)re");
  int files = 0;
  for (const std::string_view layer : kLayers) {
    const int own = LayerIndex(layer);
    const bool withoutQt =
        std::find(kWithoutQt.begin(), kWithoutQt.end(), layer) != kWithoutQt.end();
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kSource / layer)) {
      if (entry.path().extension() != ".h" && entry.path().extension() != ".cpp") {
        continue;
      }
      ++files;
      const std::string text = ReadFile(entry.path());
      const std::string name = fs::relative(entry.path(), kSource).string();
      for (std::sregex_iterator match(text.begin(), text.end(), include), end; match != end;
           ++match) {
        const int target = LayerIndex((*match)[1].str());
        EXPECT_TRUE(target >= 0 && target <= own) << name << " includes " << match->str();
      }
      if (withoutQt) {
        std::smatch match;
        EXPECT_FALSE(std::regex_search(text, match, qtHeader))
            << name << " includes " << match.str() << " (no Qt here)";
      }
    }
  }
  EXPECT_GT(files, 100);  // the walk found the tree
}

TEST(Layering, EveryFolderListsItsSources) {
  for (const std::string_view layer : kLayers) {
    const fs::path folder = kSource / layer;
    const std::string list = ReadFile(folder / "CMakeLists.txt");
    ASSERT_FALSE(list.empty()) << "src/" << layer << "/CMakeLists.txt is missing";
    EXPECT_EQ(list.find("GLOB"), std::string::npos) << "src/" << layer << " globs its files";
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() != ".cpp") {
        continue;
      }
      const std::string file = entry.path().filename().string();
      const std::regex named("(^|\\s)" + std::regex_replace(file, std::regex("\\."), "\\.") +
                             "(\\s|\\))");
      EXPECT_TRUE(std::regex_search(list, named))
          << "src/" << layer << "/CMakeLists.txt does not list " << file;
    }
  }
}

}  // namespace
