#include <gtest/gtest.h>

#include "mime/decode.h"

namespace {

TEST(FindNoCase, FoldsAsciiLettersOnly) {
  EXPECT_EQ(FindNoCase("Content-Type: text/plain; CHARSET=gbk", "charset="), 26);
  EXPECT_EQ(FindNoCase("abc", "ABC"), 0);
  EXPECT_EQ(FindNoCase("xxBoUnDaRy=", "boundary="), 2);
  EXPECT_EQ(FindNoCase("\xc4\xe3", "\xe4\xe3"), -1);  // bytes above 0x7F compare exactly
  EXPECT_EQ(FindNoCase("[", "{"), -1);                 // no folding outside A to Z
}

TEST(FindNoCase, FirstOccurrenceAndMisses) {
  EXPECT_EQ(FindNoCase("aXa xA", "xa"), 1);
  EXPECT_EQ(FindNoCase("base", "base64"), -1);
  EXPECT_EQ(FindNoCase("", "a"), -1);
  EXPECT_EQ(FindNoCase("abc", ""), 0);
  EXPECT_EQ(FindNoCase("aaab", "AAB"), 1);  // restarts after a partial match
  EXPECT_EQ(FindNoCase("xyz-BASE64", "base64"), 4);
}

}  // namespace
