#pragma once
// The compiled Windows code-page tables, linked into the program as one ICU data package.

// ICU package name under which the tables are registered (no path: the data is in memory).
inline constexpr const char* kCodePagePackage = "korvanecp";

// The package's bytes (an ICU common-data image), valid for the life of the process.
const void* CodePagePackageData();
