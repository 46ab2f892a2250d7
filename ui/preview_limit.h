#pragma once
// LimitPreviewHtml: the part of a preview document that the preview control lays out.
//
// A recovered mail is untrusted, and Qt's HTML layout has steep costs: time grows with the
// text's length and its number of elements, with the nesting depth of elements, and about
// doubles with every level of tables nested in tables (a 500-cell table five tables deep
// takes a second, eight deep ten). A length above some tens of millions of pixels in a
// table (cell padding or spacing, a cell's padding or a table's margin, as an attribute or
// as CSS) overflows its arithmetic and never finishes, and so does a document taller than
// about eight million pixels (many paragraphs with large margins, line heights or fonts).
// So the control lays out the longest beginning of the document that keeps within the
// limits below, cut in front of the tag (or at the line break) that would pass one; every
// length in length attributes and in CSS is brought down to the largest allowed, and the
// height is estimated from line breaks, elements and the lengths that add to it (those of
// style sheets, kept small, counted for every element after them).
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
  int nMaxLength = 100'000;         // a length in pixels, in a length attribute or in CSS
  int nMaxFontPixels = 100;         // a font size or line height in pixels
  int nMaxSheetLength = 500;        // a style sheet's length that adds to the height, in pixels
  int64_t nMaxHeight = 4'000'000;   // the estimated height of the document in pixels
};

struct tagPreviewHtml {
  QString strHtml;          // what to lay out
  bool bShortened = false;  // the document was cut; lengths brought down do not count
};

tagPreviewHtml LimitPreviewHtml(const QString& html, const tagPreviewLimits& limits = tagPreviewLimits());
