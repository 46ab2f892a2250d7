#include "source/windows_names.h"

#include <gtest/gtest.h>

namespace {

std::u16string PathOf(const std::u16string& name) { return WindowsDevicePath(ParseSourceName(name, u'\\')); }

TEST(WindowsNames, DevicePathsOfTheThreeForms) {
  EXPECT_EQ(PathOf(u"HD3"), u"\\\\.\\PHYSICALDRIVE3");
  EXPECT_EQ(PathOf(u"hd3"), u"\\\\.\\PHYSICALDRIVE3");
  EXPECT_EQ(PathOf(u"hd12"), u"\\\\.\\PHYSICALDRIVE12");
  EXPECT_EQ(PathOf(u"hdx"), u"\\\\.\\PHYSICALDRIVEX");  // upper-cased, and then fails to open
  EXPECT_EQ(PathOf(u"HD123"), u"\\\\.\\HD123");         // five characters: no disk code
  EXPECT_EQ(PathOf(u"C:"), u"\\\\.\\C:");
  EXPECT_EQ(PathOf(u"C"), u"\\\\.\\C");
  // A name with a backslash is a path, unchanged in case; even one that starts like a disk code.
  EXPECT_EQ(PathOf(u"D:\\Img\\Disk.IMG"), u"D:\\Img\\Disk.IMG");
  EXPECT_EQ(PathOf(u"\\\\.\\PhysicalDrive1"), u"\\\\.\\PhysicalDrive1");
  EXPECT_EQ(PathOf(u"D:\\邮件\\收件箱.dbx"), u"D:\\邮件\\收件箱.dbx");
  // A forward slash is no separator on this side: the name is a device name.
  EXPECT_EQ(PathOf(u"D:/img/disk.img"), u"\\\\.\\D:/img/disk.img");
}

TEST(WindowsNames, InvalidNamesHaveNoPath) {
  EXPECT_EQ(PathOf(u""), u"");
  EXPECT_EQ(PathOf(u"HD"), u"");
  EXPECT_EQ(PathOf(u"ab"), u"");
}

TEST(WindowsNames, VolumeNamesAndDriveRoots) {
  EXPECT_TRUE(IsWindowsVolumeName(u"C:"));
  EXPECT_TRUE(IsWindowsVolumeName(u"z:"));
  EXPECT_FALSE(IsWindowsVolumeName(u"C:\\"));
  EXPECT_FALSE(IsWindowsVolumeName(u":C"));
  EXPECT_FALSE(IsWindowsVolumeName(u"C"));

  EXPECT_TRUE(HasWindowsDriveRoot(u"D:\\img\\disk.img"));
  EXPECT_TRUE(HasWindowsDriveRoot(u"\\\\?\\C:\\x.img"));
  EXPECT_FALSE(HasWindowsDriveRoot(u":\\x.img"));  // position 0 does not count
  EXPECT_FALSE(HasWindowsDriveRoot(u"\\\\server\\share\\disk.img"));
  EXPECT_FALSE(HasWindowsDriveRoot(u"img\\disk.img"));
  EXPECT_FALSE(HasWindowsDriveRoot(u"C:"));
}

}  // namespace
