#pragma once
// The layout file: one setting or region per line, "#" starts a comment.
//
//   seed 7                 the generator's seed (decimal)
//   filler zero|noise|mixed  what fills the gaps (mixed: zero or noise, by chance per gap)
//   gap 1 3                whole filler sectors between neighbours, smallest and largest
//   scatter 3              in a store, 1 in N messages keeps its later blocks elsewhere; 0 never
//   crlf                   convert lone LF line ends of the messages to CR LF
//   aligned a.eml b.eml    a region: a placement (aligned, unaligned, dbx, box, fragmented)
//                          and the message files it stores, relative to the layout file
//
// A dbx or box line makes one store holding its messages; the other placements store each
// message on its own.

#include <string>
#include <vector>

#include "tools/mkimage/image_builder.h"

namespace mkimage {

struct LayoutFile {
  LayoutSpec spec;                 // regions index into `files`
  std::vector<std::string> files;  // message paths, resolved against the layout file's folder
  bool bCrlf = false;
};

// Parses `text`; `folder` resolves relative message paths. False with "line N: reason" in
// `err` on the first bad line.
bool ParseLayoutFile(const std::string& text, const std::string& folder, LayoutFile& out, std::string* err);

}  // namespace mkimage
