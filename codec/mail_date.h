#pragma once

#include <string>

// Rewrites a Date value in place as "%d-%02d-%02d %02d:%02d:%02d" when a year from 1991 to
// 2049 can be read in it; otherwise leaves it unchanged. Reentrant.
void FormatMailDate(std::string& value);
