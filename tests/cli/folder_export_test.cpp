// korvane-recover --out on an image built from the test corpus: every message stored
// whole is saved byte for byte, and the manifest says so.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "source/sha256.h"
#include "tests/support/temp_dir.h"
#include "tools/mkimage/image_builder.h"

namespace fs = std::filesystem;

namespace {

int RunShell(const std::string& command, std::string* out = nullptr) {
  std::FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
  if (!p) return -1;
  char buf[4096];
  std::string text;
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
  if (out) *out = text;
  const int st = pclose(p);
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

std::vector<mkimage::InputMessage> Corpus() {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(KORVANE_MAIL_DIR))
    if (e.path().extension() == ".eml") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  std::vector<mkimage::InputMessage> inputs;
  for (const fs::path& f : files) inputs.push_back({f.filename().string(), ReadWholeFile(f)});
  return inputs;
}

class RecoverOut : public ::testing::Test {
 protected:
  void SetUp() override {
    inputs = Corpus();
    mkimage::LayoutSpec spec;
    spec.nSeed = 7;
    spec.nScatter = 0;
    const mkimage::Placement placements[] = {mkimage::Placement::Aligned, mkimage::Placement::Unaligned,
                                             mkimage::Placement::Dbx, mkimage::Placement::Box};
    for (size_t i = 0; i < inputs.size(); ++i) {
      if (spec.regions.size() <= i % 4) spec.regions.push_back({placements[i % 4], {}});
      spec.regions[i % 4].messages.push_back(i);
    }
    std::string err;
    ASSERT_TRUE(mkimage::BuildImage(spec, inputs, image, &err)) << err;
    imagePath = dir.WriteFile("disk.img", image.strBytes).string();
    out = dir.Path() / "recovered";
  }
  std::string Recover(const std::string& options) const {
    return std::string(KORVANE_RECOVER) + " " + options + " --out " + out.string() + " " + imagePath;
  }
  fs::path Inbox() const { return out / "收件箱"; }

  CTempDir dir;
  std::vector<mkimage::InputMessage> inputs;
  mkimage::Image image;
  std::string imagePath;
  fs::path out;
};

TEST_F(RecoverOut, SavesEveryWholeMessageByteForByte) {
  std::string listing;
  ASSERT_EQ(RunShell(Recover(""), &listing), 0);

  // The manifest: one line per file, each file's size and digest as written.
  const std::string manifest = ReadWholeFile(Inbox() / "manifest.json");
  ASSERT_EQ(manifest.rfind("{\"files\": [\n", 0), 0u);
  const std::regex entry(R"re(\{"file": "([^"]*)", "sector": (\d+), "bytes": (\d+), "sha256": "([0-9a-f]{64})"\})re");
  std::map<uint64_t, std::set<std::string>> digestsBySector;  // two messages may share a sector
  size_t entries = 0;
  for (std::sregex_iterator it(manifest.begin(), manifest.end(), entry), end; it != end; ++it, ++entries) {
    const std::string bytes = ReadWholeFile(Inbox() / (*it)[1].str());
    EXPECT_EQ(std::to_string(bytes.size()), (*it)[3].str());
    EXPECT_EQ(Sha256Hex(bytes), (*it)[4].str());
    digestsBySector[std::stoull((*it)[2].str())].insert((*it)[4].str());
    EXPECT_NE(listing.find((*it)[1].str()), std::string::npos);  // listed on stdout too
  }
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(Inbox())) files += e.path().filename() != "manifest.json";
  EXPECT_EQ(entries, files);

  size_t whole = 0;
  for (const mkimage::PlacedMessage& m : image.messages) {
    if (!m.bFound || !m.bExtractWhole) continue;
    ++whole;
    EXPECT_TRUE(digestsBySector[m.nSector].count(Sha256Hex(inputs[m.nInput].strBytes))) << inputs[m.nInput].strFile;
  }
  EXPECT_GE(whole, inputs.size() / 2);
}

TEST_F(RecoverOut, TextFormatAndFailures) {
  ASSERT_EQ(RunShell(Recover("--format txt")), 0);
  size_t txt = 0;
  for (const auto& e : fs::directory_iterator(Inbox())) txt += e.path().extension() == ".txt";
  EXPECT_GE(txt, inputs.size() / 2);

  // The folder's directory cannot be made: a file stands at its name.
  fs::remove_all(out);
  fs::create_directories(out);
  std::ofstream(Inbox()) << "x";
  EXPECT_EQ(RunShell(Recover("")), 1);

  // Files larger than the limit cannot be written; the others are, and the status says so.
  fs::remove_all(out);
  EXPECT_EQ(RunShell("ulimit -f 8; " + Recover("")), 1);
  size_t written = 0;
  for (const auto& e : fs::directory_iterator(Inbox())) {
    EXPECT_LE(fs::file_size(e.path()), 8u * 1024) << e.path();
    EXPECT_EQ(e.path().filename().string().rfind(".korvane-", 0), std::string::npos) << "temporary file left";
    ++written;
  }
  EXPECT_GT(written, 0u);
}

}  // namespace
