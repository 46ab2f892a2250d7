#pragma once
// What korvane-recover prints about the records it found.

#include <cstdio>
#include <vector>

struct tagMailItem;

// A table: marker, sender, received time, subject, sector; one row per record.
void PrintMailTable(std::FILE* out, const std::vector<tagMailItem*>& mails);
// One JSON object per line per record.
void PrintMailJson(std::FILE* out, const std::vector<tagMailItem*>& mails);
