// korvane-recover: finds the mail stored on a disk, partition, image or store file,
// lists it, and saves it as .eml or .txt files.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/folder_export.h"
#include "cli/listing.h"
#include "cli/terminal_view.h"
#include "codec/codepage.h"
#include "res/string_table.h"
#include "scan/allocator_tuning.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/recogniser.h"
#include "scan/scan_driver.h"
#include "scan/scan_state.h"
#include "source/disk.h"
#include "source/utf.h"

namespace {

const char kUsage[] =
    "usage: korvane-recover [OPTIONS] SOURCE\n"
    "\n"
    "Scans SOURCE for stored Internet mail and lists the messages it finds.\n"
#ifdef _WIN32
    "SOURCE is a disk image or mail store file (a path such as D:\\rescue\\disk.img),\n"
    "a volume such as C:, or HDn for physical disk n (\\\\.\\PHYSICALDRIVEn); disks\n"
    "and volumes open only from an administrator command prompt.\n"
#else
    "SOURCE is a disk image or mail store file (a path containing '/'), a device\n"
    "under /dev such as sda1, or HDn for the n-th whole disk of this machine.\n"
#endif
    "The source is only ever read.\n"
    "\n"
    "options:\n"
    "  --json              list the messages as JSON, one object per line\n"
    "  --out DIR           save every message found into DIR/收件箱/, with a manifest.json\n"
    "                      listing each file's sector, size and SHA-256\n"
    "  --format eml|txt    what --out writes: the stored message (eml, the default)\n"
    "                      or its text rendering (txt)\n"
    "  --ansi-codepage N   Windows code page for text without a declared charset\n"
#ifdef _WIN32
    "                      (default: the system's ANSI code page)\n"
#else
    "                      (default 936, simplified Chinese)\n"
#endif
    "  -h, --help          show this help\n";

struct Options {
  std::string source;
  bool json = false;
  std::string out;        // --out DIR
  SaveKind format = EML;  // --format
  int ansiCodePage = 0;   // --ansi-codepage; 0: the default
};

// A whole decimal number, or -1.
int ParseCount(const std::string& s) {
  if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::atoi(s.c_str());
}

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "korvane-recover: %s\n", problem);
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  TuneAllocatorForScanning();
  Options opt;
  const std::vector<std::string> args = CommandLineArguments(argc, argv);
  const size_t count = args.size();
  for (size_t i = 1; i < count; ++i) {
    const std::string a = args[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--json") {
      opt.json = true;
    } else if (a == "--out" || a == "--format") {
      if (i + 1 >= count) return Usage((a + " needs a value").c_str());
      const std::string v = args[++i];
      if (a == "--out") {
        if (v.empty()) return Usage("--out needs a directory");
        opt.out = v;
      } else if (v == "eml" || v == "txt") {
        opt.format = v == "eml" ? EML : TXT;
      } else {
        return Usage(("unknown format " + v).c_str());
      }
    } else if (a == "--ansi-codepage") {
      if (i + 1 >= count) return Usage("--ansi-codepage needs a code page number");
      opt.ansiCodePage = ParseCount(args[++i]);
      if (opt.ansiCodePage <= 0 || !IsCodePageSupported(opt.ansiCodePage)) {
        return Usage(("unknown code page " + args[i]).c_str());
      }
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage(("unknown option " + a).c_str());
    } else if (opt.source.empty()) {
      opt.source = a;
    } else {
      return Usage("more than one source given");
    }
  }
  if (opt.source.empty()) return Usage("no source given");
  if (opt.ansiCodePage > 0) SetAnsiCodePage(opt.ansiCodePage);

  // Probe the source first so that a bad name gets a clear message.
  const std::u16string source = SourceNameFromArgument(opt.source);
  {
    CDisk probe;
    if (!probe.Open(source)) {
      std::fprintf(stderr, "korvane-recover: cannot open %s: %s\n", opt.source.c_str(), probe.LastError().c_str());
      return 1;
    }
  }

  CTerminalView view(StderrIsTerminal());
  g_strSourcePath.Set(source);
  ScanThreadProc(&view, MakeScanChunkConsumer(&view));
  view.ClearLine();

  if (!opt.out.empty()) {
    const int status = ExportInboxTo(view, opt.out, opt.format, opt.json ? nullptr : stdout);
    if (!opt.json) return status;
    PrintMailJson(stdout, g_Folders.Snapshot(g_Folders.Inbox()));
    return status;
  }

  const std::vector<tagMailItem*> mails = g_Folders.Snapshot(g_Folders.Inbox());
  if (opt.json) {
    PrintMailJson(stdout, mails);
  } else {
    PrintMailTable(stdout, mails);
    std::fprintf(stdout, "%s\n", U16ToUtf8(g_szStatus.Get()).c_str());
  }
  return 0;
}
