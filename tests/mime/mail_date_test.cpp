#include <gtest/gtest.h>

#include <string>

#include "mime/decode.h"

namespace {

std::string Fmt(std::string s) {
  FormatMailDate(s);
  return s;
}

TEST(FormatMailDate, ReadsDayMonthYearAndTime) {
  EXPECT_EQ(Fmt("Tue, 5 Mar 2013 09:08:07 +0800"), "2013-03-05 09:08:07");
  EXPECT_EQ(Fmt("5 Mar 2013 09:08:07"), "2013-03-05 09:08:07");  // last token runs to the end
  EXPECT_EQ(Fmt("Mon, 31 dec 1999 23:59:58 GMT"), "1999-12-31 23:59:58");
  EXPECT_EQ(Fmt("1 Jan 2049 0:0:0"), "2049-01-01 00:00:00");
  EXPECT_EQ(Fmt("Wed,  2  Feb  2005  1:02:03 -0500 (EST)"), "2005-02-02 01:02:03");
}

TEST(FormatMailDate, UnknownMonthIsJanuaryAndMissingTimeIsZero) {
  EXPECT_EQ(Fmt("5 Foo 2013 09:08:07"), "2013-01-05 09:08:07");
  EXPECT_EQ(Fmt("5 March 2013 09:08:07"), "2013-01-05 09:08:07");
  EXPECT_EQ(Fmt("5 Mar 2013"), "2013-03-05 00:00:00");
}

TEST(FormatMailDate, YearsOutsideTheWindowLeaveTheValue) {
  EXPECT_EQ(Fmt("5 Mar 1990 09:08:07"), "5 Mar 1990 09:08:07");
  EXPECT_EQ(Fmt("5 Mar 2050 09:08:07"), "5 Mar 2050 09:08:07");
  EXPECT_EQ(Fmt("Tue, 5 Mar 13 09:08:07"), "Tue, 5 Mar 13 09:08:07");
  EXPECT_EQ(Fmt("no digits at all"), "no digits at all");
  EXPECT_EQ(Fmt(""), "");
}

TEST(FormatMailDate, AFormattedDateStaysAsItIs) {
  EXPECT_EQ(Fmt("2013-03-05 09:08:07"), "2013-03-05 09:08:07");
}

}  // namespace
