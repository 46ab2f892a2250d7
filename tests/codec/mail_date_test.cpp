#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "codec/mail_date.h"

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

TEST(FormatMailDate, AFormattedDateStaysAsItIs) { EXPECT_EQ(Fmt("2013-03-05 09:08:07"), "2013-03-05 09:08:07"); }

// Numbers of any size and sign come out as printf's "%02d" writes them.
TEST(FormatMailDate, NumbersAsPrintfWritesThem) {
  const char* const numbers[] = {"0",   "7",    "-7",        "+7",         "10",  "-10", "99",
                                 "100", "-123", "999999999", "-999999999", "007", "-0"};
  for (const char* a : numbers) {
    for (const char* b : numbers) {
      const std::string date = std::string("5 Feb 2013 ") + a + ":" + b + ":" + a;
      int x = 0, y = 0;
      std::sscanf(a, "%d", &x);
      std::sscanf(b, "%d", &y);
      char expected[96];
      std::snprintf(expected, sizeof expected, "%d-%02d-%02d %02d:%02d:%02d", 2013, 2, 5, x, y, x);
      EXPECT_EQ(Fmt(date), expected) << date;
    }
  }
  EXPECT_EQ(Fmt("123 Feb 2013 1:2:3"), "2013-02-123 01:02:03");
}

}  // namespace
