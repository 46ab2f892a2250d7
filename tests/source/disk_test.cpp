#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "source/disk.h"
#include "source/disk_fault.h"
#include "source/utf.h"
#include "tests/support/temp_dir.h"

namespace {

std::u16string U(const std::filesystem::path& p) { return p.u16string(); }

TEST(SourceName, FormsInOrder) {
  EXPECT_EQ(ParseSourceName(u"HD3", u'/').kind, SourceNameKind::PhysicalDisk);
  EXPECT_EQ(ParseSourceName(u"hd3", u'/').text, u"3");
  EXPECT_EQ(ParseSourceName(u"hd12", u'/').text, u"12");
  EXPECT_EQ(ParseSourceName(u"HD", u'/').kind, SourceNameKind::Invalid);  // two characters, no colon
  EXPECT_EQ(ParseSourceName(u"", u'/').kind, SourceNameKind::Invalid);
  EXPECT_EQ(ParseSourceName(u"HD123", u'/').kind, SourceNameKind::Device);  // five characters
  EXPECT_EQ(ParseSourceName(u"/tmp/disk.img", u'/').kind, SourceNameKind::Path);
  EXPECT_EQ(ParseSourceName(u"sda1", u'/').kind, SourceNameKind::Device);
  EXPECT_EQ(ParseSourceName(u"C:", u'\\').kind, SourceNameKind::Device);
  EXPECT_EQ(ParseSourceName(u"D:\\img\\disk.img", u'\\').kind, SourceNameKind::Path);
  // A path containing "hd" is still a path when longer than four characters.
  EXPECT_EQ(ParseSourceName(u"hd/x", u'/').kind, SourceNameKind::PhysicalDisk);
}

TEST(Disk, SizesCountWholeSectorsOnly) {
  CTempDir dir;
  CDisk d;
  ASSERT_TRUE(d.Open(U(dir.WriteFile("a.img", std::string(1000, 'x')))));
  EXPECT_EQ(d.GetSize(), 1000u);
  EXPECT_EQ(d.GetSectorCount(), 1u);
  ASSERT_TRUE(d.Open(U(dir.WriteFile("b.img", std::string(511, 'x')))));
  EXPECT_EQ(d.GetSectorCount(), 0u);
  ASSERT_TRUE(d.Open(U(dir.WriteFile("c.img", ""))));
  EXPECT_EQ(d.GetSectorCount(), 0u);
}

TEST(Disk, ReadsAtTheEnd) {
  CTempDir dir;
  std::string data(2 * 512, 'a');
  data[512] = 'b';
  CDisk d;
  ASSERT_TRUE(d.Open(U(dir.WriteFile("a.img", data))));
  std::vector<char> buf(1024, 'z');
  ASSERT_TRUE(d.Read(buf.data(), 512, 1));
  EXPECT_EQ(buf[0], 'b');
  // Reading at the sector count succeeds and yields zeros; one further fails.
  std::fill(buf.begin(), buf.end(), 'z');
  EXPECT_TRUE(d.Read(buf.data(), 512, 2));
  EXPECT_EQ(std::string(buf.data(), 512), std::string(512, '\0'));
  EXPECT_FALSE(d.Read(buf.data(), 512, 3));
  // A read running past the end zero-fills what it did not transfer.
  std::fill(buf.begin(), buf.end(), 'z');
  ASSERT_TRUE(d.Read(buf.data(), 1024, 1));
  EXPECT_EQ(buf[511], 'a');
  EXPECT_EQ(buf[512], '\0');
  EXPECT_EQ(buf[1023], '\0');
}

TEST(Disk, FailedOpenOfBadNameKeepsOpenSource) {
  CTempDir dir;
  CDisk d;
  ASSERT_TRUE(d.Open(U(dir.WriteFile("a.img", std::string(4096, 'q')))));
  EXPECT_FALSE(d.Open(u""));
  EXPECT_FALSE(d.Open(u"HD"));
  EXPECT_TRUE(d.IsOpen());
  char buf[512];
  EXPECT_TRUE(d.Read(buf, 512, 7));
  EXPECT_EQ(buf[0], 'q');
  // A name that is tried and fails closes the old source.
  EXPECT_FALSE(d.Open(U(dir.Path() / "missing.img")));
  EXPECT_FALSE(d.IsOpen());
  EXPECT_FALSE(d.Read(buf, 512, 0));
}

TEST(Disk, RefusesWhatIsNoDiskOrFile) {
  CTempDir dir;
  CDisk d;
  EXPECT_FALSE(d.Open(U(dir.Path())));
  EXPECT_NE(d.LastError().find("directory"), std::string::npos);
#ifndef _WIN32
  const auto fifo = dir.Path() / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(d.Open(U(fifo)));  // must not block
  EXPECT_FALSE(d.Open(u"/dev/null"));
#else
  EXPECT_FALSE(d.Open(u"NUL"));  // a character device holds no sectors
#endif
  EXPECT_FALSE(d.Open(u"no-such-device-here"));
  EXPECT_FALSE(d.Open(U(dir.Path() / "missing.img")));
  EXPECT_FALSE(d.LastError().empty());
}

#ifndef _WIN32  // the Windows twin, with a sparse NTFS file, is in disk_win32_test.cpp
TEST(Disk, SparseFileBeyondTwoTebibytes) {
  CTempDir dir;
  const auto p = dir.Path() / "big.img";
  const int fd = ::open(p.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  const uint64_t sector = (1ull << 32) + 5;  // beyond what 32-bit sectors address
  const char mark[] = "far end";
  const bool written = ::pwrite(fd, mark, sizeof mark, static_cast<off_t>(sector * 512)) == sizeof mark;
  ::close(fd);
  if (!written) GTEST_SKIP() << "file system does not take a sparse file this large";
  CDisk d;
  ASSERT_TRUE(d.Open(U(p)));
  EXPECT_EQ(d.GetSectorCount(), sector);  // the partial last sector is not counted
  char buf[512] = {};
  ASSERT_TRUE(d.Read(buf, 512, sector));
  EXPECT_STREQ(buf, "far end");
}
#endif

TEST(Disk, OpensReadOnly) {
  CTempDir dir;
  const auto p = dir.WriteFile("ro.img", std::string(512, 'r'));
  namespace fs = std::filesystem;
  fs::permissions(p, fs::perms::owner_read, fs::perm_options::replace);
  CDisk d;
  EXPECT_TRUE(d.Open(U(p)));
  d.Close();
  fs::permissions(p, fs::perms::owner_all, fs::perm_options::replace);  // so that it can be removed
}

TEST(Disk, ReadHookFailsShortensAndEndsReads) {
  CTempDir dir;
  CDisk d;
  ASSERT_TRUE(d.Open(U(dir.WriteFile("a.img", std::string(4 * 512, 'k')))));
  std::vector<uint64_t> asked;
  SetDiskReadHookForTesting([&](uint64_t offset, uint32_t count) -> int64_t {
    asked.push_back(offset);
    if (offset == 512) return kDiskReadError;
    if (offset == 1024) return 100;      // a short read: the rest is asked for again
    if (offset == 1536 + 200) return 0;  // the end comes early
    return offset == 1536 ? 200 : count;
  });
  char buf[512];
  EXPECT_FALSE(d.Read(buf, 512, 1));
  std::memset(buf, 'z', sizeof buf);
  EXPECT_TRUE(d.Read(buf, 512, 2));
  EXPECT_EQ(std::string(buf, 512), std::string(512, 'k'));
  EXPECT_EQ(asked.back(), 1024u + 100);
  std::memset(buf, 'z', sizeof buf);
  EXPECT_TRUE(d.Read(buf, 512, 3));
  EXPECT_EQ(std::string(buf, 512), std::string(200, 'k') + std::string(312, '\0'));
  SetDiskReadHookForTesting(nullptr);
}

// One bad sector in a read of many costs only itself; a source that is gone is not
// tried sector by sector. The sectors that failed are remembered until the source closes.
TEST(Disk, BadSectorInALongReadCostsOnlyItself) {
  CTempDir dir;
  std::string data;
  for (char c = 'a'; c < 'a' + 8; ++c) data += std::string(512, c);
  CDisk d;
  ASSERT_TRUE(d.Open(U(dir.WriteFile("a.img", data))));
  int calls = 0;
  SetDiskReadHookForTesting([&](uint64_t offset, uint32_t count) -> int64_t {
    ++calls;
    return offset <= 3 * 512 && 3 * 512 < offset + count ? kDiskReadError : count;
  });
  std::vector<char> buf(8 * 512, 'z');
  EXPECT_TRUE(d.Read(buf.data(), 8 * 512, 0));
  EXPECT_EQ(calls, 1 + 8);
  for (int s = 0; s < 8; ++s) EXPECT_EQ(buf[s * 512 + 17], s == 3 ? '\0' : 'a' + s) << "sector " << s;
  EXPECT_TRUE(d.HadUnreadableSectors(3, 4));
  EXPECT_FALSE(d.HadUnreadableSectors(0, 3));
  EXPECT_FALSE(d.HadUnreadableSectors(4, 8));

  // Every sector bad: the read fails and leaves zeros.
  SetDiskReadHookForTesting([](uint64_t, uint32_t) -> int64_t { return kDiskReadError; });
  std::fill(buf.begin(), buf.end(), 'z');
  EXPECT_FALSE(d.Read(buf.data(), 4 * 512, 4));
  EXPECT_EQ(std::string(buf.data(), 4 * 512), std::string(4 * 512, '\0'));

  calls = 0;
  SetDiskReadHookForTesting([&](uint64_t, uint32_t) -> int64_t {
    ++calls;
    return kDiskReadGone;
  });
  EXPECT_FALSE(d.Read(buf.data(), 8 * 512, 0));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(d.HadUnreadableSectors(0, 1));
  SetDiskReadHookForTesting(nullptr);
  ASSERT_TRUE(d.Open(U(dir.Path() / "a.img")));
  EXPECT_FALSE(d.HadUnreadableSectors(0, 8));
}

}  // namespace
