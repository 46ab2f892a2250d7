#include <chrono>
#include <string>
#include <unordered_set>
#include <vector>

#include "mail/export.h"
#include "mail/mail_file.h"
#include "mail/render.h"
#include "res/string_table.h"
#include "scan/folders.h"
#include "scan/mail_item.h"
#include "scan/scan_state.h"
#include "scan/view.h"
#include "source/disk.h"

namespace {

// Milliseconds since the system started (the steady clock's epoch).
long long TickCount() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Clears g_bSaving when the save ends, whichever way.
struct tagSavingFlag {
  ~tagSavingFlag() { g_bSaving.store(0); }
};

// The path for a message: the base path, or with "_%d" added when this run used it
// already. The number is (milliseconds + index) % 1000, counted on while the suffixed path
// is taken too, so that no file of this run replaces another.
std::u16string UniquePath(const std::u16string& base, unsigned index, std::unordered_set<std::u16string>& used) {
  if (used.insert(base).second) return base;
  long long n = (TickCount() + index) % 1000;
  for (;;) {
    std::u16string path = base + u"_" + NumW(n);
    if (used.insert(path).second) return path;
    ++n;
  }
}

// "AutoRename_" + milliseconds + extension in `dir`, counted on while this run used it.
std::u16string AutoRenamePath(const std::u16string& dir, const char16_t* ext,
                              std::unordered_set<std::u16string>& used) {
  for (long long n = TickCount();; ++n) {
    std::u16string path = dir + u"AutoRename_" + NumW(n) + ext;
    if (used.insert(path).second) return path;
  }
}

// True when every sector the stored text `eml` of `item` may come from was read: the
// sectors of the extraction window before the record's sector (earlier header lines) and
// those the text covers after it (a .dbx store adds 16 bytes to every 512). A source that
// failed in there (a bad sector, a disk pulled out) may have cut the text short.
bool StoredTextReadWhole(const CDisk& disk, const tagMailItem& item, const std::string& eml) {
  const uint64_t first = item.nSector > 18 ? item.nSector - 18 : 0;
  const uint64_t end = item.nSector + (eml.size() + eml.size() / 32) / SECTOR_SIZE + 3;
  return !disk.HadUnreadableSectors(first, end);
}

enum class tagWriteOutcome { Written, Failed };

// Writes `bytes` under `path`; when the file system rejects that name, under an
// "AutoRename_" name instead. `path` becomes the name used.
tagWriteOutcome WriteFolderFile(const std::u16string& dir, std::u16string& path, const std::string& bytes,
                                const char16_t* ext, std::unordered_set<std::u16string>& used) {
  std::string temp;
  if (!WriteTempFile(dir, bytes, temp)) return tagWriteOutcome::Failed;
  if (PlaceTempFile(temp, path)) return tagWriteOutcome::Written;
  path = AutoRenamePath(dir, ext, used);
  if (PlaceTempFile(temp, path)) return tagWriteOutcome::Written;
  RemoveTempFile(temp);
  return tagWriteOutcome::Failed;
}

}  // namespace

unsigned FolderSaveThread(CMailView* view, SaveKind kind) { return FolderSaveThread(view, kind, nullptr); }

unsigned FolderSaveThread(CMailView* view, SaveKind kind, tagFolderSaveReport* report) {
  tagFolderSaveReport local;
  tagFolderSaveReport& rep = report ? *report : local;
  if (g_bScanning.load() || g_bSaving.exchange(1)) return 0;
  tagSavingFlag savingFlag;

  // 1. Commands off while the save runs.
  view->EnableButton(ViewButton::Data, false);
  view->EnableButton(ViewButton::Save, false);
  g_bStop.store(0);

  CDisk disk;
  [&] {
    // 2. The folder and its messages, as they stand now.
    tagFolderItem* folder = view->SelectedFolder();
    if (!folder) return;
    const std::vector<tagMailItem*> mails = g_Folders.Snapshot(folder);
    if (mails.empty()) return;

    // 3. Without the source the text rendering is all there is.
    if (!disk.Open(g_strSourcePath.Get())) kind = TXT;

    // 4. Progress over the messages.
    g_nProgressPos.store(0);
    g_nProgressTotal.store(mails.size());
    view->SetProgressRange(mails.size());

    // 5. The directory; cancelled means a silent end.
    std::u16string dir;
    if (!view->ChooseSaveDirectory(LoadStringW(135), dir) || dir.empty()) return;

    // 6. The folder's sub-directory, made when it is not there.
    const char16_t sep = PathSeparator();
    if (dir.back() != sep) dir += sep;
    dir += folder->strName;
    if (!IsDirectory(dir) && !MakeDirectory(dir)) {
      rep.bDirectoryFailed = true;
      view->ShowMessage(FormatStringW(LoadStringW(177), {dir}));
      return;
    }
    dir += sep;
    rep.strDirectory = dir;

    // 7. Stop on, the results count as saved.
    view->EnableButton(ViewButton::Data, false);
    view->EnableButton(ViewButton::Save, false);
    view->EnableButton(ViewButton::Stop, true);
    g_bUnsaved.store(0);

    // 8. One file per message.
    std::unordered_set<std::u16string> used;
    const char16_t* ext = kind == EML ? u".eml" : u".txt";
    unsigned index = 0;
    for (tagMailItem* item : mails) {
      if (g_bStop.load()) break;
      ++index;
      g_nProgressPos.store(index);
      view->SetProgressPos(index);

      const std::u16string base = FolderFileBaseName(*item);
      const std::u16string status = FormatStringW(LoadStringW(176), {base});
      g_szStatus.Set(status);
      view->SetStatusText(status);

      std::u16string path = UniquePath(dir + base, index, used);
      std::string content;
      if (kind == EML) {
        content = RenderMailEml(*item, &disk, &g_bStop);
        if (g_bStop.load()) break;  // a message cut short by Stop is not written
        // The stored text, when it was read whole; else the text rendering.
        if (content.empty() || !StoredTextReadWhole(disk, *item, content)) content = RenderMailText(*item);
      } else {
        content = RenderMailText(*item);
      }
      if (content.empty()) continue;
      path += ext;

      if (WriteFolderFile(dir, path, content, ext, used) == tagWriteOutcome::Failed) {
        ++rep.nFailed;
        continue;
      }
      ++rep.nWritten;
      if (rep.onWritten) rep.onWritten(*item, path.substr(dir.size()), content);
    }

    // 9. The count, also after Stop.
    view->ShowMessage(FormatStringW(LoadStringW(175), {NumW(rep.nWritten)}));
  }();

  // 10. The window as it was before, when it is still there.
  if (view->WindowExists()) {
    view->EnableButton(ViewButton::Data, true);
    view->EnableButton(ViewButton::Save, true);
    view->EnableButton(ViewButton::Stop, false);
    view->SetStatusText(std::u16string());
    view->SetProgressRange(0);
    view->SetProgressPos(0);
  }
  disk.Close();
  return rep.nWritten;
}
