// korvane-recover run on a generated image: its listing, its options and its exit codes.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

struct RunResult {
  std::string out;
  int status = -1;
};

// Runs korvane-recover; its error output is kept only when `withErrors`. A run that
// blocks is ended after 20 seconds (status 124).
RunResult RunRecover(const std::string& args, bool withErrors = false) {
  RunResult r;
  const std::string command =
      "timeout 20 " + std::string(KORVANE_RECOVER) + " " + args + (withErrors ? " 2>&1 </dev/null" : " 2>/dev/null");
  std::FILE* p = popen(command.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string Lines(std::initializer_list<std::string> lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

// Three messages: a GB2312 one with an X-Attachment entry, a multipart one with a base64
// attachment, and one whose date cannot be read (8-bit text, shown in the ANSI code page).
std::string Image() {
  std::string img(16 * 512, '\0');
  const std::string m1 =
      Lines({"Received: from mx by mail; Tue, 5 Mar 2013 09:08:07 +0800",
             "From: =?gb2312?B?1cXI/Q==?= <zhang@example.cn>", "To: li@example.cn", "Cc: wang@example.cn",
             "Subject: =?gb2312?B?xOO6ww==?=", "Date: Tue, 5 Mar 2013 09:08:07 +0800", "X-Priority: 1",
             "X-Attachment: report.doc, 2048", "Content-Type: text/plain; charset=\"gb2312\"", "", "body"});
  const std::string m2 = Lines({"Received: from a by b",
                                "From: a@example.org",
                                "To: b@example.com",
                                "Subject: Quarterly report",
                                "Date: Wed, 6 Mar 2013 10:00:00 +0000",
                                "Content-Type: multipart/mixed; boundary=\"B\"",
                                "",
                                "--B",
                                "Content-Type: text/plain; charset=\"us-ascii\"",
                                "",
                                "See attached.",
                                "",
                                "--B",
                                "Content-Type: application/pdf; name=\"q.pdf\"",
                                "Content-Transfer-Encoding: base64",
                                "Content-Disposition: attachment; filename=\"q.pdf\"",
                                "",
                                "JVBERi0xLjQK",
                                "",
                                "--B--"});
  const std::string m3 = Lines({"Received: from c by d", "From: c@example.org", "To: d@example.com", "Subject: Termin",
                                "Date: Sonntag, 5. M\xE4rz 2099", "", "Hallo"});
  img.replace(0, m1.size(), m1);
  img.replace(4 * 512, m2.size(), m2);
  img.replace(9 * 512 + 100, m3.size(), m3);
  return img;
}

class Recover : public ::testing::Test {
 protected:
  void SetUp() override { path = dir.WriteFile("disk.img", Image()).string(); }
  CTempDir dir;
  std::string path;
};

TEST_F(Recover, JsonListsEveryMessage) {
  const RunResult r = RunRecover("--json --ansi-codepage 1252 " + path);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "{\"sector\":0,\"from\":\"\\\"张三\\\" <zhang@example.cn>\",\"to\":\"li@example.cn\",\"cc\":"
            "\"wang@example.cn\",\"subject\":\"你好\",\"date\":\"2013-03-05 09:08:07\",\"priority\":1,"
            "\"attachments\":[{\"name\":\"report.doc\",\"size\":2048}]}\n"
            "{\"sector\":4,\"from\":\"a@example.org\",\"to\":\"b@example.com\",\"cc\":\"\",\"subject\":"
            "\"Quarterly report\",\"date\":\"2013-03-06 10:00:00\",\"priority\":0,\"attachments\":[{\"name\":"
            "\"q.pdf\",\"size\":9}]}\n"
            "{\"sector\":9,\"from\":\"c@example.org\",\"to\":\"d@example.com\",\"cc\":\"\",\"subject\":\"Termin\","
            "\"date\":\"Sonntag, 5. März 2099\",\"priority\":0,\"attachments\":[]}\n");
}

TEST_F(Recover, TableEndsWithTheCount) {
  const RunResult r = RunRecover(path);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Quarterly report"), std::string::npos);
  EXPECT_NE(r.out.find("你好"), std::string::npos);
  EXPECT_NE(r.out.find("!&"), std::string::npos);
  EXPECT_EQ(r.out.substr(r.out.size() - std::string("找到 3 封邮件\n").size()), "找到 3 封邮件\n");
}

TEST_F(Recover, BadArgumentsAndSources) {
  EXPECT_EQ(RunRecover("--ansi-codepage 12345 " + path).status, 2);
  EXPECT_EQ(RunRecover("--ansi-codepage " + path).status, 2);
  EXPECT_EQ(RunRecover(dir.Path().string() + "/missing.img").status, 1);
}

// What is no disk, partition or image is refused at once with the reason, never read
// (a FIFO would block a reader for ever).
TEST_F(Recover, SourcesThatAreNoDiskOrImageRefused) {
  const std::string fifo = (dir.Path() / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string source, reason;
  } cases[] = {{dir.Path().string(), "is a directory"},
               {fifo, "not a disk, partition or regular file"},
               {"/dev/null", "not a disk, partition or regular file"},
               {"/dev/zero", "not a disk, partition or regular file"}};
  for (const auto& c : cases) {
    const RunResult r = RunRecover(c.source, true);
    EXPECT_EQ(r.status, 1) << c.source;
    EXPECT_NE(r.out.find("cannot open " + c.source + ": " + c.reason), std::string::npos) << r.out;
  }
}

// A file of no sector, or of less than one, is scanned and holds nothing.
TEST_F(Recover, EmptyAndPartSectorFiles) {
  for (size_t size : {0u, 511u}) {
    const std::string img = dir.WriteFile("small.img", Image().substr(0, size)).string();
    const RunResult r = RunRecover(img);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("找到 0 封邮件"), std::string::npos) << r.out;
  }
}

}  // namespace
