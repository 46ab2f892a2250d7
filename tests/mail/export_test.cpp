#include "mail/export.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "mail/render.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/scan_state.h"
#include "source/disk_fault.h"
#include "source/utf.h"
#include "tests/mail/stored_mail.h"
#include "tests/support/recorder_view.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::u16string kInbox = u"收件箱";

class FolderSave : public ::testing::Test {
 protected:
  void SetUp() override {
    g_bStop = 0;
    g_bScanning = 0;
    g_bSaving = 0;
    g_Folders.Reset(u"");
    m_out = m_dir.Path() / "out";
    fs::create_directory(m_out);
    m_view.strSaveDir = m_out.u16string();
  }
  void TearDown() override {
    g_Folders.Reset(u"");
    g_strSourcePath.Set(u"");
    g_bStop = 0;
  }
  // Stores the messages in an image that becomes the source, one record per message in
  // the Inbox.
  void StoreMessages(const std::vector<std::string>& messages) {
    CImageBuilder image;
    size_t at = 1024;
    for (const std::string& m : messages) {
      image.Put(at, m);
      auto item = RecordFor(m, at);
      item->strBody = "text of " + item->strSubject;
      Add(std::move(item));
      at = (at + m.size() + 4096) / 512 * 512;
    }
    image.PadSectors(2);
    g_strSourcePath.Set(Utf8ToU16(image.WriteTo((m_dir.Path() / "src.img").string())));
  }
  tagMailItem* Add(std::unique_ptr<tagMailItem> item) {
    tagMailItem* p = item.get();
    m_items.push_back(std::move(item));
    g_Folders.Append(g_Folders.Inbox(), p);
    return p;
  }
  std::unique_ptr<tagMailItem> TextRecord(const std::u16string& subject, const std::string& date,
                                          size_t bodyBytes = 10) {
    auto item = std::make_unique<tagMailItem>();
    item->strSubjectW = subject;
    item->strSubject = U16ToUtf8(subject);
    item->strFrom = "a@b.c";
    item->strTo = "d@e.f";
    item->strDate = date;
    item->strBody = std::string(bodyBytes, 'x');
    return item;
  }
  fs::path Folder() const { return m_out / kInbox; }
  // The names of the files in the Inbox's directory.
  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(Folder())) names.insert(U16ToUtf8(e.path().filename().u16string()));
    return names;
  }

  CTempDir m_dir;
  fs::path m_out;
  CRecorderView m_view;
  std::vector<std::unique_ptr<tagMailItem>> m_items;
};

const std::string kA = MakeMessage("a@example.org", "b@example.org", "Tue, 5 Mar 2013 09:08:07 +0800", "First one");
const std::string kB = MakeMessage("c@example.org", "d@example.org", "Wed, 6 Mar 2013 10:20:30 +0800",
                                   "A subject longer than twenty characters");

TEST_F(FolderSave, EmlFilesHoldTheStoredBytes) {
  StoreMessages({kA, kB});
  tagFolderSaveReport report;
  std::vector<std::string> written;
  report.onWritten = [&](const tagMailItem&, const std::u16string& name, const std::string&) {
    written.push_back(U16ToUtf8(name));
  };
  EXPECT_EQ(FolderSaveThread(&m_view, EML, &report), 2u);
  EXPECT_EQ(report.nFailed, 0u);
  const std::string nameA = "First one_[2013-03-05 09 08 07].eml";
  const std::string nameB = "A subject longer tha_[2013-03-06 10 20 30].eml";
  EXPECT_EQ(Files(), (std::set<std::string>{nameA, nameB}));
  EXPECT_EQ(ReadWholeFile(Folder() / nameA), kA);
  EXPECT_EQ(ReadWholeFile(Folder() / nameB), kB);
  EXPECT_EQ(written, (std::vector<std::string>{nameA, nameB}));
  EXPECT_EQ(report.strDirectory, (Folder() / "").u16string());

  const auto calls = m_view.Calls();
  const std::vector<std::string> expectedStart = {
      "enable 134 0", "enable 133 0", "range 2",
      "choose",       "enable 134 0", "enable 133 0",
      "enable 135 1", "pos 1",        "status 正在保存 【First one_[2013-03-05 09 08 07]】"};
  ASSERT_GE(calls.size(), expectedStart.size());
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + expectedStart.size()), expectedStart);
  const std::vector<std::string> expectedEnd = {
      "message 成功保存 2 封邮件！", "enable 134 1", "enable 133 1", "enable 135 0", "status ", "range 0", "pos 0"};
  EXPECT_EQ(std::vector<std::string>(calls.end() - expectedEnd.size(), calls.end()), expectedEnd);
  EXPECT_EQ(g_bSaving.load(), 0);
  EXPECT_EQ(g_bUnsaved.load(), 0);
}

TEST_F(FolderSave, DuplicateNamesGetANumber) {
  StoreMessages({kA, kA, kA});
  EXPECT_EQ(FolderSaveThread(&m_view, EML), 3u);
  const auto files = Files();
  ASSERT_EQ(files.size(), 3u);
  const std::string base = "First one_[2013-03-05 09 08 07]";
  EXPECT_TRUE(files.count(base + ".eml"));
  const std::regex suffixed(std::regex_replace(base, std::regex(R"([\[\]])"), R"(\$&)") + "_([0-9]{1,3})\\.eml");
  for (const std::string& f : files) {
    if (f == base + ".eml") continue;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(f, m, suffixed)) << f;
    EXPECT_TRUE(m[1].str() == "0" || m[1].str()[0] != '0') << "no leading zeros: " << f;
    EXPECT_EQ(ReadWholeFile(Folder() / f), kA);
  }
}

TEST_F(FolderSave, ShortEmptyAndSanitisedNames) {
  g_strSourcePath.Set(u"/nonexistent/source");
  Add(TextRecord(u"short", "2010-01-02 10:20:30"));
  Add(TextRecord(u"", "2010-01-02 10:20:31"));
  Add(TextRecord(u"a\"b*c/d:e<f>g?h\\i|j", "x"));
  Add(TextRecord(u"二十个字符以上的中文主题二十个字符以上的中文主题", "y"));
  EXPECT_EQ(FolderSaveThread(&m_view, TXT), 4u);
  EXPECT_EQ(Files(),
            (std::set<std::string>{"short_[2010-01-02 10 20 30].txt", "_[2010-01-02 10 20 31].txt",
                                   "a b c d e f g h i j_[x].txt", "二十个字符以上的中文主题二十个字符以上的_[y].txt"}));
  EXPECT_EQ(ReadWholeFile(Folder() / "short_[2010-01-02 10 20 30].txt"),
            "Subject: short\r\nFrom: a@b.c\r\nTo: d@e.f\r\nDate: 2010-01-02 10:20:30\r\n---------- Text ---------\r\n"
            "xxxxxxxxxx");
}

#ifndef _WIN32  // links and file-size limits are POSIX
// The folder's directory is reused; files of the same name, and links planted at a
// name, are replaced (the link's target stays untouched).
TEST_F(FolderSave, ExistingDirectoryFilesAndLinksReplaced) {
  g_strSourcePath.Set(u"/nonexistent/source");
  Add(TextRecord(u"one", "d1"));
  Add(TextRecord(u"two", "d2"));
  fs::create_directory(Folder());
  std::ofstream(Folder() / "one_[d1].txt") << "old";
  const fs::path target = m_dir.Path() / "target";
  std::ofstream(target) << "keep";
  fs::create_symlink(target, Folder() / "two_[d2].txt");
  EXPECT_EQ(FolderSaveThread(&m_view, TXT), 2u);
  EXPECT_EQ(ReadWholeFile(Folder() / "one_[d1].txt").substr(0, 12), "Subject: one");
  EXPECT_FALSE(fs::is_symlink(Folder() / "two_[d2].txt"));
  EXPECT_EQ(ReadWholeFile(target), "keep");
}

#endif

TEST_F(FolderSave, RejectedNameIsAutoRenamed) {
  g_strSourcePath.Set(u"/nonexistent/source");
  Add(TextRecord(u"long", std::string(300, 'd')));  // a name longer than the file system takes
  std::u16string withZero = u"zero";
  withZero += char16_t(0);
  Add(TextRecord(withZero, "t"));
  tagFolderSaveReport report;
  EXPECT_EQ(FolderSaveThread(&m_view, TXT, &report), 2u);
  const auto files = Files();
  ASSERT_EQ(files.size(), 2u);
  for (const std::string& f : files) EXPECT_TRUE(std::regex_match(f, std::regex("AutoRename_[0-9]+\\.txt"))) << f;
}

TEST_F(FolderSave, EmlBecomesTxtWhenTheSourceIsGone) {
  StoreMessages({kA});
  g_strSourcePath.Set(u"/nonexistent/source");
  EXPECT_EQ(FolderSaveThread(&m_view, EML), 1u);
  EXPECT_EQ(Files(), (std::set<std::string>{"First one_[2013-03-05 09 08 07].txt"}));
}

TEST_F(FolderSave, UnreadableMessageWrittenAsTextUnderEml) {
  StoreMessages({kA});
  m_items[0]->nSector = 5000;  // nothing stored there
  EXPECT_EQ(FolderSaveThread(&m_view, EML), 1u);
  EXPECT_EQ(ReadWholeFile(Folder() / "First one_[2013-03-05 09 08 07].eml"), RenderMailText(*m_items[0]));
}

class StopAtView : public CRecorderView {
 public:
  uint64_t nStopAt = 0;
  void SetProgressPos(uint64_t pos) override {
    CRecorderView::SetProgressPos(pos);
    if (pos == nStopAt) g_bStop = 1;
  }
};

TEST_F(FolderSave, StopEndsTheRunWithTheCountSoFar) {
  StoreMessages({kA, kB, kA, kB});
  StopAtView view;
  view.strSaveDir = m_view.strSaveDir;
  view.nStopAt = 3;
  EXPECT_EQ(FolderSaveThread(&view, EML), 2u);  // the message being read when Stop came is not written
  EXPECT_EQ(Files().size(), 2u);
  EXPECT_EQ(view.CallsStartingWith("message"), (std::vector<std::string>{"message 成功保存 2 封邮件！"}));
  EXPECT_EQ(view.CallsStartingWith("pos").back(), "pos 0");
}

TEST_F(FolderSave, CancelNoFolderAndUnmakableDirectory) {
  g_strSourcePath.Set(u"/nonexistent/source");
  Add(TextRecord(u"one", "d1"));

  m_view.strSaveDir.clear();  // cancelled
  EXPECT_EQ(FolderSaveThread(&m_view, TXT), 0u);
  EXPECT_TRUE(m_view.CallsStartingWith("message").empty());
  EXPECT_FALSE(fs::exists(Folder()));

  CRecorderView none;
  none.bSelectNothing = true;
  EXPECT_EQ(FolderSaveThread(&none, TXT), 0u);
  EXPECT_TRUE(none.CallsStartingWith("choose").empty());
  EXPECT_EQ(none.Calls().back(), "pos 0");

  CRecorderView blocked;
  const fs::path file = m_dir.Path() / "a-file";
  std::ofstream(file) << "x";
  const std::string sep = fs::path::preferred_separator == '/' ? "/" : "\\";
  blocked.strSaveDir = Utf8ToU16(file.string() + sep);
  tagFolderSaveReport report;
  EXPECT_EQ(FolderSaveThread(&blocked, TXT, &report), 0u);
  EXPECT_TRUE(report.bDirectoryFailed);
  EXPECT_EQ(blocked.CallsStartingWith("message"),
            (std::vector<std::string>{"message 创建目录失败！\r\n" + file.string() + sep + "收件箱"}));
}

TEST_F(FolderSave, RefusedWhileAScanOrASaveRuns) {
  g_strSourcePath.Set(u"/nonexistent/source");
  Add(TextRecord(u"one", "d1"));
  g_bScanning = 1;
  EXPECT_EQ(FolderSaveThread(&m_view, TXT), 0u);
  g_bScanning = 0;
  g_bSaving = 1;
  EXPECT_EQ(FolderSaveThread(&m_view, TXT), 0u);
  EXPECT_TRUE(m_view.Calls().empty());
  g_bSaving = 0;
}

#ifndef _WIN32
// A disk that fills up: the message that does not fit is skipped and leaves nothing
// behind, the others are written. Run in a child whose file size is limited.
TEST_F(FolderSave, FullDiskSkipsTheMessageAndGoesOn) {
  g_strSourcePath.Set(u"/nonexistent/source");
  Add(TextRecord(u"small1", "d", 100));
  Add(TextRecord(u"big", "d", 200000));
  Add(TextRecord(u"small2", "d", 100));
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim = {65536, 65536};
    setrlimit(RLIMIT_FSIZE, &lim);
    tagFolderSaveReport report;
    const unsigned n = FolderSaveThread(&m_view, TXT, &report);
    _exit(static_cast<int>(n * 10 + report.nFailed));
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 21);  // two written, one failed
  EXPECT_EQ(Files(), (std::set<std::string>{"small1_[d].txt", "small2_[d].txt"}));
}
#endif

#ifndef _WIN32
// Faults of the source while a folder saves its messages as EML.
class SaveSourceFaults : public FolderSave {
 protected:
  void TearDown() override {
    SetDiskReadHookForTesting(nullptr);
    FolderSave::TearDown();
  }
};

// The disk is pulled out after the first file: the other messages are written as their
// text rendering (under .eml), whole; no temporary file stays.
TEST_F(SaveSourceFaults, SourceGoneDuringTheSave) {
  const std::string kC = MakeMessage("e@example.org", "f@example.org", "Thu, 7 Mar 2013 11:00:00 +0800", "Third");
  StoreMessages({kA, kB, kC});
  std::atomic<bool> gone{false};
  SetDiskReadHookForTesting([&](uint64_t, uint32_t count) -> int64_t { return gone ? kDiskReadGone : count; });
  tagFolderSaveReport report;
  report.onWritten = [&](const tagMailItem&, const std::u16string&, const std::string&) { gone = true; };
  EXPECT_EQ(FolderSaveThread(&m_view, EML, &report), 3u);
  EXPECT_EQ(Files(), (std::set<std::string>{"First one_[2013-03-05 09 08 07].eml",
                                            "A subject longer tha_[2013-03-06 10 20 30].eml",
                                            "Third_[2013-03-07 11 00 00].eml"}));
  EXPECT_EQ(ReadWholeFile(Folder() / "First one_[2013-03-05 09 08 07].eml"), kA);
  EXPECT_EQ(ReadWholeFile(Folder() / "A subject longer tha_[2013-03-06 10 20 30].eml"), RenderMailText(*m_items[1]));
  EXPECT_EQ(ReadWholeFile(Folder() / "Third_[2013-03-07 11 00 00].eml"), RenderMailText(*m_items[2]));
}

// Sectors in the middle of a long message cannot be read: its stored text would be cut
// short, so the text rendering is written instead. The message before it, read whole,
// is written as stored.
TEST_F(SaveSourceFaults, UnreadableSectorsInsideAMessage) {
  const std::string big =
      MakeMessage("g@example.org", "h@example.org", "Fri, 8 Mar 2013 12:00:00 +0800", "Long one", 2, 150000);
  StoreMessages({kA, big});
  const uint64_t badFrom = m_items[1]->nSector + 100000 / 512;
  SetDiskReadHookForTesting([&](uint64_t offset, uint32_t count) -> int64_t {
    return offset + count > badFrom * 512 && offset < (badFrom + 8) * 512 ? kDiskReadError : count;
  });
  EXPECT_EQ(FolderSaveThread(&m_view, EML), 2u);
  EXPECT_EQ(ReadWholeFile(Folder() / "First one_[2013-03-05 09 08 07].eml"), kA);
  EXPECT_EQ(ReadWholeFile(Folder() / "Long one_[2013-03-08 12 00 00].eml"), RenderMailText(*m_items[1]));
  EXPECT_EQ(Files().size(), 2u);
}

// Mounts a small file system at `dir`, read-only or of `bytes`; false when this machine
// does not let the test mount one.
bool MountSmall(const fs::path& dir, bool readOnly, size_t bytes = 65536) {
  if (geteuid() != 0) return false;
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
  return mount("tmpfs", dir.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options.c_str()) == 0;
}

// A disk that is full: the message that does not fit is reported as not saved and leaves
// nothing behind; the others are written whole.
TEST_F(FolderSave, FullFileSystem) {
  g_strSourcePath.Set(u"/nonexistent/source");
  Add(TextRecord(u"small1", "d", 100));
  Add(TextRecord(u"big", "d", 300000));
  Add(TextRecord(u"small2", "d", 100));
  if (!MountSmall(m_out, false, 128 * 1024)) GTEST_SKIP() << "cannot mount a small file system here";
  tagFolderSaveReport report;
  const unsigned written = FolderSaveThread(&m_view, TXT, &report);
  const std::set<std::string> files = Files();
  const std::string small1 = ReadWholeFile(Folder() / "small1_[d].txt");
  umount2(m_out.c_str(), MNT_DETACH);
  EXPECT_EQ(written, 2u);
  EXPECT_EQ(report.nFailed, 1u);
  EXPECT_EQ(files, (std::set<std::string>{"small1_[d].txt", "small2_[d].txt"}));
  EXPECT_EQ(small1, RenderMailText(*m_items[0]));
  EXPECT_EQ(m_view.CallsStartingWith("message"), (std::vector<std::string>{"message 成功保存 2 封邮件！"}));
}

// A read-only output directory: its sub-directory cannot be made, and that is said.
// When the sub-directory is there but read-only, every message is counted as not saved.
TEST_F(FolderSave, ReadOnlyOutputDirectory) {
  g_strSourcePath.Set(u"/nonexistent/source");
  Add(TextRecord(u"one", "d1"));
  Add(TextRecord(u"two", "d2"));
  if (!MountSmall(m_out, true)) GTEST_SKIP() << "cannot mount a read-only file system here";
  tagFolderSaveReport report;
  EXPECT_EQ(FolderSaveThread(&m_view, TXT, &report), 0u);
  umount2(m_out.c_str(), MNT_DETACH);
  EXPECT_TRUE(report.bDirectoryFailed);
  EXPECT_EQ(m_view.CallsStartingWith("message"),
            (std::vector<std::string>{"message 创建目录失败！\r\n" + Folder().string()}));

  fs::create_directory(Folder());
  ASSERT_TRUE(MountSmall(Folder(), true));
  CRecorderView view;
  view.strSaveDir = m_view.strSaveDir;
  tagFolderSaveReport second;
  EXPECT_EQ(FolderSaveThread(&view, TXT, &second), 0u);
  const bool empty = fs::is_empty(Folder());
  umount2(Folder().c_str(), MNT_DETACH);
  EXPECT_EQ(second.nFailed, 2u);
  EXPECT_TRUE(empty);
  EXPECT_EQ(view.CallsStartingWith("message"), (std::vector<std::string>{"message 成功保存 0 封邮件！"}));
}

// The chosen directory is gone by the time the save makes its sub-directory.
TEST_F(FolderSave, MissingOutputDirectory) {
  g_strSourcePath.Set(u"/nonexistent/source");
  Add(TextRecord(u"one", "d1"));
  const fs::path gone = m_dir.Path() / "gone";
  m_view.strSaveDir = gone.u16string();
  tagFolderSaveReport report;
  EXPECT_EQ(FolderSaveThread(&m_view, TXT, &report), 0u);
  EXPECT_TRUE(report.bDirectoryFailed);
  EXPECT_FALSE(fs::exists(gone));
  EXPECT_EQ(m_view.CallsStartingWith("message"),
            (std::vector<std::string>{"message 创建目录失败！\r\n" + (gone / "收件箱").string()}));
}

// Names at the file system's limit of 255 bytes are kept, one byte more is renamed;
// control characters, which this file system takes, stay in the name.
TEST_F(FolderSave, NameLengthLimitAndControlCharacters) {
  g_strSourcePath.Set(u"/nonexistent/source");
  Add(TextRecord(u"s", std::string(247, 'd')));  // "s_[" + 247 + "].txt": 255 bytes
  Add(TextRecord(u"t", std::string(248, 'd')));  // 256 bytes
  Add(
      TextRecord(u"a\x01"
                 u"b\nc\x7f",
                 "e"));
  EXPECT_EQ(FolderSaveThread(&m_view, TXT), 3u);
  const std::string at255 = "s_[" + std::string(247, 'd') + "].txt";
  const std::string control =
      "a\x01"
      "b\nc\x7f_[e].txt";
  const auto files = Files();
  EXPECT_EQ(files.size(), 3u);
  EXPECT_TRUE(files.count(at255));
  EXPECT_TRUE(files.count(control));
  EXPECT_EQ(ReadWholeFile(Folder() / control), RenderMailText(*m_items[2]));
  for (const std::string& f : files) {
    if (f != at255 && f != control) {
      EXPECT_TRUE(std::regex_match(f, std::regex("AutoRename_[0-9]+\\.txt"))) << f;
    }
  }
}

// A link planted where the folder's sub-directory goes is replaced by a directory; the
// files never land where the link points.
TEST_F(FolderSave, LinkPlantedAsTheFolderDirectory) {
  g_strSourcePath.Set(u"/nonexistent/source");
  Add(TextRecord(u"one", "d1"));
  const fs::path elsewhere = m_dir.Path() / "elsewhere";
  fs::create_directory(elsewhere);
  fs::create_directory_symlink(elsewhere, Folder());
  EXPECT_EQ(FolderSaveThread(&m_view, TXT), 1u);
  EXPECT_FALSE(fs::is_symlink(Folder()));
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_EQ(Files(), (std::set<std::string>{"one_[d1].txt"}));
}

// A single message saved over a planted link replaces the link; the link's target keeps
// its bytes.
TEST(MailFile, LinkAtTheNameReplaced) {
  CTempDir dir;
  const fs::path target = dir.Path() / "target";
  std::ofstream(target) << "keep";
  const fs::path p = dir.Path() / "m.eml";
  fs::create_symlink(target, p);
  EXPECT_TRUE(WriteMailFile(p.u16string(), "new"));
  EXPECT_FALSE(fs::is_symlink(p));
  EXPECT_EQ(ReadWholeFile(p), "new");
  EXPECT_EQ(ReadWholeFile(target), "keep");
  // A dangling link too: nothing is created where it points.
  const fs::path dangling = dir.Path() / "d.eml";
  fs::create_symlink(dir.Path() / "nowhere", dangling);
  EXPECT_TRUE(WriteMailFile(dangling.u16string(), "x"));
  EXPECT_FALSE(fs::exists(dir.Path() / "nowhere"));
  EXPECT_EQ(ReadWholeFile(dangling), "x");
}
#endif

// The save runs on a worker thread while the window reads the shared state and the scan
// still changes the records' bodies (run under the thread sanitizer too).
TEST_F(FolderSave, RunsBesideReadersAndABodyWriter) {
  std::vector<std::string> messages;
  for (int i = 0; i < 30; ++i) messages.push_back(i % 2 ? kA : kB);
  StoreMessages(messages);
  std::atomic<bool> done{false};
  unsigned written = 0;
  std::thread saver([&] {
    written = FolderSaveThread(&m_view, EML);
    done = true;
  });
  size_t polls = 0;
  // At least one round, however quickly the saver ends.
  do {
    for (auto& item : m_items) {
      {
        auto guard = item->Lock();
        item->strBody += "x";
      }
      polls += RenderMailText(*item).size() > 0;
      polls += BuildAttachmentBlock(*item).size();
    }
    polls += g_szStatus.Get().size() + g_nProgressPos.load() + g_bSaving.load();
  } while (!done);
  saver.join();
  EXPECT_EQ(written, 30u);
  EXPECT_GT(polls, 0u);
}

TEST(SingleSave, ContentAndSuggestedName) {
  tagMailItem item;
  item.strSubjectW = u"Re: a/b";
  item.strDate = "2010-01-02 10:20:30";
  item.strBody = "b";
  EXPECT_EQ(SuggestedFileName(item, EML), u"Re  a b [2010-01-02 10 20 30].eml");
  EXPECT_EQ(SuggestedFileName(item, TXT), u"Re  a b [2010-01-02 10 20 30].txt");
  EXPECT_EQ(SingleMailContent(item, TXT), RenderMailText(item));
  g_strSourcePath.Set(u"/nonexistent/source");
  EXPECT_EQ(SingleMailContent(item, EML), "");
  g_strSourcePath.Set(u"");
}

TEST(MailFile, WholeOrNothing) {
  CTempDir dir;
  const fs::path p = dir.Path() / "m.eml";
  EXPECT_TRUE(WriteMailFile(p.u16string(), "abc"));
  EXPECT_EQ(ReadWholeFile(p), "abc");
  EXPECT_TRUE(WriteMailFile(p.u16string(), ""));
  EXPECT_EQ(ReadWholeFile(p), "");
  fs::create_directory(dir.Path() / "sub");
  EXPECT_FALSE(WriteMailFile((dir.Path() / "sub").u16string(), "x"));  // a directory holds the name
  EXPECT_FALSE(WriteMailFile((dir.Path() / "missing" / "m.eml").u16string(), "x"));
  size_t entries = 0;
  for (const auto& e : fs::directory_iterator(dir.Path())) entries += e.path().filename() != "sub" ? 1 : 0;
  EXPECT_EQ(entries, 1u);  // no temporary file left
}

}  // namespace
