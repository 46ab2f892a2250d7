#include "cli/folder_export.h"

#include <csignal>
#include <filesystem>
#include <system_error>
#include <vector>

#include "cli/manifest.h"
#include "cli/terminal_view.h"
#include "res/string_table.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "source/sha256.h"
#include "source/utf.h"

int ExportInboxTo(CTerminalView& view, const std::string& outDir, SaveKind kind, std::FILE* listing) {
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit fails the write instead of ending the program
#endif
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(Utf8ToU16(outDir)), ec);  // UTF-16 on Windows
  if (ec) {
    std::fprintf(stderr, "korvane-recover: cannot create %s: %s\n", outDir.c_str(), ec.message().c_str());
    return 1;
  }
  if (g_Folders.Count(g_Folders.Inbox()) == 0) {
    std::fprintf(stderr, "%s\n", U16ToUtf8(FormatStringW(LoadStringW(175), {NumW(0)})).c_str());
    return 0;
  }

  std::vector<tagManifestEntry> manifest;
  tagFolderSaveReport report;
  report.onWritten = [&](const tagMailItem& item, const std::u16string& name, const std::string& bytes) {
    manifest.push_back({U16ToUtf8(name), item.nSector, bytes.size(), Sha256Hex(bytes)});
    if (listing) {
      const tagManifestEntry& e = manifest.back();
      view.ClearLine();
      std::fprintf(listing, "%10llu  %9llu  %s%s\n", static_cast<unsigned long long>(e.nSector),
                   static_cast<unsigned long long>(e.nBytes), U16ToUtf8(report.strDirectory).c_str(),
                   e.strFile.c_str());
      std::fflush(listing);
    }
  };
  view.SetSaveDirectory(Utf8ToU16(outDir));
  FolderSaveThread(&view, kind, &report);
  view.ClearLine();

  int status = report.nFailed || report.bDirectoryFailed ? 1 : 0;
  if (report.nFailed) std::fprintf(stderr, "korvane-recover: %u message(s) could not be written\n", report.nFailed);
  if (!report.strDirectory.empty()) {
    if (!WriteMailFile(report.strDirectory + u"manifest.json", BuildManifestJson(manifest))) {
      std::fprintf(stderr, "korvane-recover: cannot write %smanifest.json\n", U16ToUtf8(report.strDirectory).c_str());
      status = 1;
    }
  }
  return status;
}
