#pragma once
// korvane-recover --out: every found message saved as the folder save saves it, with a
// manifest of what was written.

#include <cstdio>
#include <string>

#include "mail/export.h"

class CTerminalView;

// Saves the Inbox into `outDir`/收件箱/ (creating `outDir` when needed) through `view`,
// writes manifest.json beside the files and lists the saved files on `listing` (may be
// null). Returns the process exit status: 0, or 1 when a file, the directory or the
// manifest could not be written.
int ExportInboxTo(CTerminalView& view, const std::string& outDir, SaveKind kind, std::FILE* listing);
