#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/listing.h"
#include "scan/mail_item.h"

namespace {

TEST(Listing, FitColumnsCountsWideCharactersTwice) {
  EXPECT_EQ(FitColumns(u"abc", 5), "abc  ");
  EXPECT_EQ(FitColumns(u"你好", 5), "你好 ");
  EXPECT_EQ(FitColumns(u"你好世界", 5), "你好…");
  EXPECT_EQ(FitColumns(u"abcdef", 4), "abc…");
  EXPECT_EQ(FitColumns(u"a\tb\r\n", 5), "a b  ");
}

TEST(Listing, JsonCarriesDisplayTextsAndAllAttachments) {
  tagMailItem m;
  m.nSector = 5000000000ull;
  m.strFromW = u"\"张三\" <zhang@example.cn>";
  m.strToW = u"li@example.cn";
  m.strCc = "=?utf-8?B?546L5LqU?= <wang@example.cn>";
  m.strSubjectW = u"tab\there";
  m.strDate = "2013-03-05 09:08:07";
  m.nPriority = 3;
  m.pAttachments = std::make_unique<tagAttachmentArray>(tagAttachmentArray{{"a.doc", u"a.doc", "", 2048}});
  m.pPendingAttachments = std::make_unique<tagAttachmentArray>(tagAttachmentArray{{"b", u"报告.pdf", "", 7}});
  EXPECT_EQ(MailJson(m),
            "{\"sector\":5000000000,\"from\":\"\\\"张三\\\" <zhang@example.cn>\",\"to\":\"li@example.cn\","
            "\"cc\":\"\\\"王五\\\" <wang@example.cn>\",\"subject\":\"tab\\there\",\"date\":\"2013-03-05 09:08:07\","
            "\"priority\":3,\"attachments\":[{\"name\":\"a.doc\",\"size\":2048},{\"name\":\"报告.pdf\",\"size\":7}]}");
}

TEST(Listing, TableRowHasMarkerSenderTimeSubjectAndSector) {
  tagMailItem m;
  m.nSector = 42;
  m.strFromW = u"a@example.org";
  m.strSubjectW = u"hello";
  m.strDate = "2013-03-05 09:08:07";
  m.nPriority = 2;
  m.pPendingAttachments = std::make_unique<tagAttachmentArray>(1);
  char* buf = nullptr;
  size_t len = 0;
  std::FILE* f = open_memstream(&buf, &len);
  PrintMailTable(f, {&m});
  std::fclose(f);
  const std::string out(buf, len);
  std::free(buf);
  const std::string row = out.substr(out.find('\n') + 1);
  EXPECT_EQ(row.substr(0, 4), "!&  ");
  EXPECT_NE(row.find("a@example.org"), std::string::npos);
  EXPECT_NE(row.find("2013-03-05 09:08:07"), std::string::npos);
  EXPECT_NE(row.find("hello"), std::string::npos);
  EXPECT_EQ(row.substr(row.size() - 3), "42\n");
}

}  // namespace
