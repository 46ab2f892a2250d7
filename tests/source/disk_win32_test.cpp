// The Windows backend of CDisk on real files: UTF-16 names, the size rules, sparse files
// past 2 TiB, and the device names that must fail.

#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "source/disk.h"
#include "tests/support/temp_dir.h"

namespace {

std::u16string U(const std::filesystem::path& p) { return p.u16string(); }

// Changes the current directory for one test, and back.
class CCurrentDir {
 public:
  explicit CCurrentDir(const std::filesystem::path& dir) : m_old(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~CCurrentDir() {
    std::error_code ec;
    std::filesystem::current_path(m_old, ec);
  }

 private:
  std::filesystem::path m_old;
};

TEST(DiskWin32, OpensChineseFileNames) {
  CTempDir dir;
  std::string data(3 * 512, 'm');
  data[1024] = 'x';
  const auto p = dir.WriteFile("x.img", data);
  const auto chinese = dir.Path() / u"邮件存储.dbx";
  std::filesystem::rename(p, chinese);
  CDisk d;
  ASSERT_TRUE(d.Open(U(chinese))) << d.LastError();
  EXPECT_EQ(d.GetSize(), 3u * 512);
  EXPECT_EQ(d.GetSectorCount(), 3u);
  char buf[512];
  ASSERT_TRUE(d.Read(buf, 512, 2));
  EXPECT_EQ(buf[0], 'x');
}

TEST(DiskWin32, FileWithoutDriveRootOpensWithSizeZero) {
  CTempDir dir;
  dir.WriteFile("a.img", std::string(4 * 512, 'a'));
  std::filesystem::create_directory(dir.Path() / "sub");
  dir.WriteFile("sub\\b.img", std::string(2 * 512, 'b'));
  CCurrentDir here(dir.Path());
  CDisk d;
  // A relative path holds no ":\": it opens, but has no size, so nothing past sector 0 reads.
  ASSERT_TRUE(d.Open(u"sub\\b.img")) << d.LastError();
  EXPECT_EQ(d.GetSize(), 0u);
  EXPECT_EQ(d.GetSectorCount(), 0u);
  char buf[512];
  EXPECT_FALSE(d.Read(buf, 512, 1));
  // The full path of the same kind of file is measured.
  ASSERT_TRUE(d.Open(U(std::filesystem::absolute("a.img"))));
  EXPECT_EQ(d.GetSectorCount(), 4u);
  // A name without a backslash is a device name: a file of that name is not opened.
  EXPECT_FALSE(d.Open(u"a.img"));
}

TEST(DiskWin32, DeviceNamesThatDoNotExistFail) {
  CDisk d;
  EXPECT_FALSE(d.Open(u"HD9"));  // \\.\PHYSICALDRIVE9
  EXPECT_FALSE(d.Open(u"hd99"));
  EXPECT_FALSE(d.Open(u"HD123"));  // \\.\HD123
  EXPECT_FALSE(d.Open(u"C"));      // \\.\C, not the volume
  EXPECT_FALSE(d.Open(u"Q:\\no\\such\\disk.img"));
  EXPECT_FALSE(d.LastError().empty());
  EXPECT_FALSE(d.IsOpen());
}

TEST(DiskWin32, SharesTheFileWithOtherReadersAndWriters) {
  CTempDir dir;
  const auto p = dir.WriteFile("shared.img", std::string(2 * 512, 's'));
  // Another program holds the file open for writing; the scan must still read it.
  HANDLE writer = CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  CDisk a, b;
  ASSERT_TRUE(a.Open(U(p))) << a.LastError();
  ASSERT_TRUE(b.Open(U(p))) << b.LastError();
  char buf[512];
  EXPECT_TRUE(a.Read(buf, 512, 1));
  EXPECT_TRUE(b.Read(buf, 512, 0));
  EXPECT_EQ(buf[511], 's');
  CloseHandle(writer);
}

TEST(DiskWin32, SparseFileBeyondTwoTebibytes) {
  CTempDir dir;
  const auto p = dir.Path() / "big.img";
  HANDLE h =
      CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD got = 0;
  const bool sparse = DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &got, nullptr);
  const uint64_t sector = (1ull << 32) + 5;  // beyond what 32-bit sectors address
  const char mark[] = "far end";
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(sector * 512);
  DWORD written = 0;
  const bool ok = sparse && SetFilePointerEx(h, at, nullptr, FILE_BEGIN) &&
                  WriteFile(h, mark, sizeof mark, &written, nullptr) && written == sizeof mark;
  CloseHandle(h);
  if (!ok) GTEST_SKIP() << "file system does not take a sparse file this large";
  CDisk d;
  ASSERT_TRUE(d.Open(U(p))) << d.LastError();
  EXPECT_EQ(d.GetSectorCount(), sector);  // the partial last sector is not counted
  char buf[512] = {};
  ASSERT_TRUE(d.Read(buf, 512, sector));
  EXPECT_STREQ(buf, "far end");
  std::vector<char> low(512, 'z');
  ASSERT_TRUE(d.Read(low.data(), 512, 5));  // the same low 32 bits, 2 TiB earlier: zeros
  EXPECT_EQ(low[0], '\0');
}

}  // namespace
