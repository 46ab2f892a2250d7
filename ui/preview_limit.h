#pragma once
// LimitPreviewHtml: the part of a preview document that the preview control lays out.
//
// A recovered mail is untrusted, and Qt's HTML layout has steep costs: time grows with the
// text's length and its number of elements, with the nesting depth of elements, and about
// doubles with every level of tables nested in tables (a 500-cell table five tables deep
// takes a second, eight deep ten). A length above some tens of millions of pixels in a
// table (cell padding or spacing, a cell's padding or a table's margin, as an attribute or
// as CSS) overflows its arithmetic and never finishes. So the control lays out the longest
// beginning of the document that keeps within the limits below, cut in front of the tag
// that would pass one, and every length in tables' attributes and in CSS is brought down
// to the largest length allowed.
//
// The reading of the HTML is a plain scan, linear in the text: comments, tags with their
// quoted attributes, the raw text of script and style elements; elements that have no end
// tag or lose it to the next one (p, li, td, tr, ...) are closed as a browser would, well
// enough to count nesting. Any thread.

#include <QString>
#include <cstdint>

struct tagPreviewLimits {
  qsizetype nMaxChars = 1'000'000;  // UTF-16 units of the document
  int nMaxElements = 30'000;        // start tags
  int nMaxDepth = 256;              // elements open at once
  int64_t nMaxTableWork = 10'000;   // table and cell start tags, each counting 2^(tables open - 1)
  int nMaxLength = 100'000;         // a number in a length attribute or in CSS
};

struct tagPreviewHtml {
  QString strHtml;           // what to lay out
  bool bShortened = false;   // the document was cut; lengths brought down do not count
};

tagPreviewHtml LimitPreviewHtml(const QString& html, const tagPreviewLimits& limits = tagPreviewLimits());
