#pragma once
// Saving recovered messages as .eml or .txt files.

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

// Single-message save: the content (empty: nothing to save) and the suggested file name
// ("subject [time].eml").
std::string SingleMailContent(const tagMailItem& item, SaveKind kind);
std::u16string SuggestedFileName(const tagMailItem& item, SaveKind kind);

// Writes `bytes` to `path` whole, or not at all: no partial file is left behind.
// False when the file could not be created or written.
bool WriteMailFile(const std::u16string& path, const std::string& bytes);
