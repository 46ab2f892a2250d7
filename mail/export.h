#pragma once
// Saving recovered messages as .eml or .txt files.

#include <functional>
#include <string>

class CMailView;
struct tagMailItem;

enum SaveKind { EML = 0, TXT = 1 };

// Replaces each of  " * / : < > ? \ |  by a space, in place.
void SanitizeFileName(std::u16string& name);

// The folder save: writes every message of the view's selected folder into a sub-directory
// named after the folder, below the directory the view chooses. Runs on the calling
// (worker) thread and talks to the window only through `view`. Returns the number of
// files written.
unsigned FolderSaveThread(CMailView* view, SaveKind kind);

// What one folder save did, for a caller that reports more than the count.
struct tagFolderSaveReport {
  unsigned nWritten = 0;
  unsigned nFailed = 0;           // messages whose file could not be written
  bool bDirectoryFailed = false;  // the folder's directory could not be made
  std::u16string strDirectory;    // where the files went, ending in a separator; empty: none chosen
  // Called on the saving thread after each file is written, with the file's name inside
  // strDirectory and its bytes.
  std::function<void(const tagMailItem& item, const std::u16string& name, const std::string& bytes)> onWritten;
};
// The folder save, reporting into `report` (may be null). While it runs g_bSaving is set;
// it does nothing and returns 0 when a scan or another folder save is running.
unsigned FolderSaveThread(CMailView* view, SaveKind kind, tagFolderSaveReport* report);

// The file name of a message in a folder save, without directory, suffix or extension:
// the first 20 characters of the subject, "_[", the received time, "]", sanitised.
std::u16string FolderFileBaseName(const tagMailItem& item);

// Single-message save: the content (empty: nothing to save) and the suggested file name
// ("subject [time].eml").
std::string SingleMailContent(const tagMailItem& item, SaveKind kind);
std::u16string SuggestedFileName(const tagMailItem& item, SaveKind kind);

// Writes `bytes` to `path` whole, or not at all: no partial file is left behind.
// False when the file could not be created or written.
bool WriteMailFile(const std::u16string& path, const std::string& bytes);
