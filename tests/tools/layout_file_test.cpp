#include <gtest/gtest.h>

#include <string>

#include "tools/mkimage/layout_file.h"

using namespace mkimage;

TEST(LayoutFile, SettingsAndRegions) {
  LayoutFile lf;
  std::string err;
  ASSERT_TRUE(
      ParseLayoutFile("# demo\nseed 42\nfiller noise\ngap 0 2  # tight\nscatter 0\ncrlf\n"
                      "aligned a.eml /abs/b.eml\ndbx c.eml d.eml\n",
                      "dir", lf, &err))
      << err;
  EXPECT_EQ(lf.spec.nSeed, 42u);
  EXPECT_EQ(lf.spec.filler, Filler::Noise);
  EXPECT_EQ(lf.spec.nGapMin, 0u);
  EXPECT_EQ(lf.spec.nGapMax, 2u);
  EXPECT_EQ(lf.spec.nScatter, 0u);
  EXPECT_TRUE(lf.bCrlf);
  ASSERT_EQ(lf.files.size(), 4u);
  EXPECT_EQ(lf.files[0], "dir/a.eml");
  EXPECT_EQ(lf.files[1], "/abs/b.eml");
  ASSERT_EQ(lf.spec.regions.size(), 2u);
  EXPECT_EQ(lf.spec.regions[1].placement, Placement::Dbx);
  EXPECT_EQ(lf.spec.regions[1].messages, (std::vector<size_t>{2, 3}));
}

TEST(LayoutFile, BadLinesAreNamed) {
  const char* bad[] = {"seed x\n", "filler sand\n", "gap 3 1\n", "\n\nshuffle a.eml\n", "dbx\n", "crlf yes\n"};
  for (const char* text : bad) {
    LayoutFile lf;
    std::string err;
    EXPECT_FALSE(ParseLayoutFile(text, "", lf, &err)) << text;
    EXPECT_EQ(err.rfind("line ", 0), 0u) << err;
  }
  LayoutFile lf;
  std::string err;
  ParseLayoutFile("\n\nshuffle a.eml\n", "", lf, &err);
  EXPECT_EQ(err, "line 3: unknown word shuffle");
}
