#include "ui/preview_limit.h"

#include <QStringView>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace {

// The height estimate: a line of text.
constexpr int64_t kLinePixels = 20;

bool IsAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool IsSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }
// A character that continues a name, a hex colour or a number: a digit run right after one
// belongs to it ("h1", "#100000", "1.5").
bool IsWordChar(QChar c) { return IsAsciiLetter(c) || IsAsciiDigit(c) || c == u'_' || c == u'#' || c == u'.'; }

char16_t Lower(QChar c) { return (c >= u'A' && c <= u'Z') ? char16_t(c.unicode() + 32) : c.unicode(); }

bool EqualsNoCase(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Elements without content: they never stay open.
bool IsVoidElement(QStringView name) {
  static const char16_t* const kVoid[] = {u"area",  u"base", u"basefont", u"br",     u"col",     u"embed",
                                          u"frame", u"hr",   u"img",      u"input",  u"isindex", u"keygen",
                                          u"link",  u"meta", u"param",    u"source", u"track",   u"wbr"};
  for (const char16_t* v : kVoid) {
    if (name == QStringView(v)) return true;
  }
  return false;
}

bool IsOneOf(QStringView name, std::initializer_list<const char16_t*> names) {
  for (const char16_t* v : names) {
    if (name == QStringView(v)) return true;
  }
  return false;
}

// Attributes whose value is a length across, and those whose length adds to the height.
bool IsWidthAttribute(QStringView name) { return IsOneOf(name, {u"width", u"hspace", u"marginwidth", u"leftmargin"}); }
bool IsHeightAttribute(QStringView name) {
  return IsOneOf(
      name, {u"height", u"cellpadding", u"cellspacing", u"border", u"vspace", u"size", u"marginheight", u"topmargin"});
}

// CSS properties whose lengths add to the height of what they style.
bool IsHeightProperty(QStringView name) {
  return IsOneOf(name, {u"margin",
                        u"margin-top",
                        u"margin-bottom",
                        u"padding",
                        u"padding-top",
                        u"padding-bottom",
                        u"border",
                        u"border-top",
                        u"border-bottom",
                        u"border-width",
                        u"border-top-width",
                        u"border-bottom-width",
                        u"height",
                        u"min-height",
                        u"line-height",
                        u"font-size",
                        u"font",
                        u"top",
                        u"bottom",
                        u"border-spacing"});
}

// Pixels per unit of a CSS length (a unitless line height multiplies the font size).
double PixelsPer(QStringView unit, bool lineHeight) {
  if (unit.isEmpty()) return lineHeight ? 16 : 1;
  if (unit.compare(u"pt", Qt::CaseInsensitive) == 0) return 4.0 / 3;
  if (unit.compare(u"in", Qt::CaseInsensitive) == 0) return 96;
  if (unit.compare(u"cm", Qt::CaseInsensitive) == 0) return 38;
  if (unit.compare(u"mm", Qt::CaseInsensitive) == 0) return 4;
  if (unit.compare(u"px", Qt::CaseInsensitive) == 0 || unit == u"%") return 1;
  return 16;  // em, rem, ex, ch, pc and what else there is: of the order of a font size
}

// Elements whose content is raw text up to their end tag.
bool IsRawTextElement(QStringView name) {
  return name == u"script" || name == u"style" || name == u"textarea" || name == u"title" || name == u"xmp";
}

struct tagEdit {
  qsizetype nPos;
  qsizetype nLen;
  QString strWith;
};

class CLimiter {
 public:
  CLimiter(const QString& html, const tagPreviewLimits& limits) : m_text(html), m_limits(limits) {}

  tagPreviewHtml Run();

 private:
  qsizetype Size() const { return m_text.size(); }
  QChar At(qsizetype i) const { return i < Size() ? m_text.at(i) : QChar(); }

  // Where a run of numbers stands: its lengths are brought down to the largest allowed,
  // and those that add to the height are counted.
  enum class NumberContext { StyleSheet, StyleAttribute, WidthAttribute, HeightAttribute };
  void ClampNumbers(qsizetype from, qsizetype to, NumberContext context);
  // Adds `pixels` to the estimated height; false when that passes the limit.
  bool AddHeight(int64_t pixels);
  // Counts the line breaks of the text in [from, to) as lines; the position of the one
  // that passes the height limit, or -1.
  qsizetype CountLines(qsizetype from, qsizetype to);
  // Reads the start tag at `lt` ('<' then a letter). Returns the position after it, its
  // lower-case name and whether it closed itself ("/>").
  qsizetype ReadStartTag(qsizetype lt, QString& name, bool& selfClosed);
  // Opens `name` at the tag starting at `lt`; false when that passes a limit.
  bool Open(const QString& name, bool selfClosed);
  void Close(QStringView name);
  void Pop();

  const QString& m_text;
  const tagPreviewLimits& m_limits;
  std::vector<tagEdit> m_edits;
  std::vector<QString> m_stack;         // open elements, innermost last
  int m_nTables = 0;                    // tables among them
  std::vector<int64_t> m_arrRowHeight;  // per open table: what its attributes add to each cell
  int m_nElements = 0;
  int64_t m_nTableWork = 0;
  int64_t m_nHeight = 0;       // the estimated height of what was read, in pixels
  int64_t m_nSheetHeight = 0;  // lengths of style sheets that add to the height of what they style
  int64_t m_nTagHeight = 0;    // the same of the tag being read, from its attributes
};

void CLimiter::ClampNumbers(qsizetype from, qsizetype to, NumberContext context) {
  const bool css = context == NumberContext::StyleSheet || context == NumberContext::StyleAttribute;
  bool heightNumbers = context == NumberContext::HeightAttribute;
  // A shorthand's or a table's length applies above and below.
  int64_t sides = context == NumberContext::HeightAttribute ? 2 : 1;
  bool fontSize = false, lineHeight = false;
  qsizetype declStart = from;  // where the current CSS declaration or selector began
  qsizetype i = from;
  while (i < to) {
    const QChar c = m_text.at(i);
    if (css && (c == u';' || c == u'{' || c == u'}')) {
      declStart = i + 1;
      heightNumbers = fontSize = lineHeight = false;
      ++i;
      continue;
    }
    if (css && c == u':') {
      const QString property = QStringView(m_text).mid(declStart, i - declStart).trimmed().toString().toLower();
      heightNumbers = IsHeightProperty(property);
      sides = IsOneOf(property, {u"margin", u"padding", u"border", u"border-width", u"border-spacing"}) ? 2 : 1;
      fontSize = property == u"font-size" || property == u"font";
      lineHeight = property == u"line-height";
      ++i;
      continue;
    }
    const bool startsNumber = IsAsciiDigit(c) || (c == u'.' && i + 1 < to && IsAsciiDigit(m_text.at(i + 1)));
    if (!startsNumber) {
      ++i;
      continue;
    }
    // Part of a word, a colour or another number ("h1", "#123456", "-x1"): skip the run.
    if (i > from &&
        (IsWordChar(m_text.at(i - 1)) || (m_text.at(i - 1) == u'-' && i - 1 > from && IsWordChar(m_text.at(i - 2))))) {
      while (i < to && IsWordChar(m_text.at(i))) ++i;
      continue;
    }
    const qsizetype start = i;
    while (i < to && IsAsciiDigit(m_text.at(i))) ++i;
    if (i < to && m_text.at(i) == u'.') {
      ++i;
      while (i < to && IsAsciiDigit(m_text.at(i))) ++i;
    }
    // An exponent only when digits follow ("1e9", not "1em").
    if (i < to && (m_text.at(i) == u'e' || m_text.at(i) == u'E')) {
      qsizetype k = i + 1;
      if (k < to && (m_text.at(k) == u'+' || m_text.at(k) == u'-')) ++k;
      if (k < to && IsAsciiDigit(m_text.at(k))) {
        while (k < to && IsAsciiDigit(m_text.at(k))) ++k;
        i = k;
      }
    }
    const qsizetype numberEnd = i;
    qsizetype unitEnd = i;
    while (unitEnd < to && (IsAsciiLetter(m_text.at(unitEnd)) || m_text.at(unitEnd) == u'%')) ++unitEnd;
    const double perUnit = PixelsPer(QStringView(m_text).mid(numberEnd, unitEnd - numberEnd), lineHeight);
    bool ok = false;
    double pixels = QStringView(m_text).mid(start, numberEnd - start).toDouble(&ok) * perUnit;
    // Text is set at most this large; other lengths stop where the layout's arithmetic is
    // still far from overflowing.
    // A style sheet's length can apply to every element, and is counted for each: it stays
    // small enough for the count to be of use.
    double largest = (fontSize || lineHeight) ? m_limits.nMaxFontPixels : m_limits.nMaxLength;
    if (heightNumbers && context == NumberContext::StyleSheet)
      largest = std::min<double>(largest, m_limits.nMaxSheetLength);
    if (!ok || !(pixels <= largest)) {
      m_edits.push_back({start, numberEnd - start, QString::number(std::floor(largest / perUnit))});
      pixels = largest;
    }
    if (heightNumbers) {
      if (context == NumberContext::StyleSheet) {
        m_nSheetHeight += sides * int64_t(pixels);
      } else {
        m_nTagHeight += sides * int64_t(pixels);
      }
    }
  }
}

bool CLimiter::AddHeight(int64_t pixels) {
  m_nHeight += pixels;
  return m_nHeight <= m_limits.nMaxHeight;
}

qsizetype CLimiter::CountLines(qsizetype from, qsizetype to) {
  // Searched within the text only: the whole rest of the document for every text between
  // two tags would make the reading quadratic.
  const QStringView text = QStringView(m_text).mid(from, std::max<qsizetype>(0, to - from));
  for (qsizetype k = text.indexOf(u'\n'); k >= 0; k = text.indexOf(u'\n', k + 1)) {
    if (!AddHeight(kLinePixels)) return from + k;
  }
  return -1;
}

qsizetype CLimiter::ReadStartTag(qsizetype lt, QString& name, bool& selfClosed) {
  m_nTagHeight = 0;
  qsizetype i = lt + 1;
  const qsizetype nameStart = i;
  while (i < Size() && !IsSpace(At(i)) && At(i) != u'>' && At(i) != u'/') ++i;
  name.resize(i - nameStart);
  for (qsizetype k = 0; k < name.size(); ++k) name[k] = QChar(Lower(m_text.at(nameStart + k)));
  selfClosed = false;
  // Attributes: name, then optionally "=" and a quoted or bare value.
  while (i < Size()) {
    while (i < Size() && (IsSpace(At(i)) || At(i) == u'/')) {
      selfClosed = At(i) == u'/';
      ++i;
    }
    if (i >= Size()) break;
    if (At(i) == u'>') return i + 1;
    selfClosed = false;
    const qsizetype attrStart = i;
    while (i < Size() && !IsSpace(At(i)) && At(i) != u'>' && At(i) != u'=' && At(i) != u'/') ++i;
    const QString attr = QStringView(m_text).mid(attrStart, i - attrStart).toString().toLower();
    while (i < Size() && IsSpace(At(i))) ++i;
    if (At(i) != u'=') continue;
    ++i;
    while (i < Size() && IsSpace(At(i))) ++i;
    qsizetype valueStart = i, valueEnd;
    if (At(i) == u'"' || At(i) == u'\'') {
      const QChar quote = At(i);
      valueStart = i + 1;
      valueEnd = m_text.indexOf(quote, valueStart);
      if (valueEnd < 0) valueEnd = Size();
      i = std::min(Size(), valueEnd + 1);
    } else {
      while (i < Size() && !IsSpace(At(i)) && At(i) != u'>') ++i;
      valueEnd = i;
    }
    if (attr == u"style") {
      ClampNumbers(valueStart, valueEnd, NumberContext::StyleAttribute);
    } else if (IsHeightAttribute(attr)) {
      ClampNumbers(valueStart, valueEnd, NumberContext::HeightAttribute);
    } else if (IsWidthAttribute(attr)) {
      ClampNumbers(valueStart, valueEnd, NumberContext::WidthAttribute);
    }
  }
  return Size();
}

void CLimiter::Pop() {
  if (m_stack.back() == u"table") {
    --m_nTables;
    m_arrRowHeight.pop_back();
  }
  m_stack.pop_back();
}

void CLimiter::Close(QStringView name) {
  for (size_t k = m_stack.size(); k-- > 0;) {
    if (m_stack[k] == name) {
      while (m_stack.size() > k) Pop();
      return;
    }
    // An end tag does not reach out of a table it did not start in.
    if (m_stack[k] == u"table") return;
  }
}

bool CLimiter::Open(const QString& name, bool selfClosed) {
  if (++m_nElements > m_limits.nMaxElements) return false;
  // Every element may take a line, its own lengths and all that the style sheets can give;
  // a cell also what its table's padding, spacing and border give every cell.
  int64_t height = kLinePixels + m_nTagHeight + m_nSheetHeight;
  if ((name == u"td" || name == u"th") && !m_arrRowHeight.empty()) height += m_arrRowHeight.back();
  if (!AddHeight(height)) return false;
  // Elements whose start ends the one before them.
  const auto top = [this]() -> QStringView { return m_stack.empty() ? QStringView() : QStringView(m_stack.back()); };
  if (name == u"td" || name == u"th") {
    if (top() == u"td" || top() == u"th") Pop();
  } else if (name == u"tr") {
    if (top() == u"td" || top() == u"th") Pop();
    if (top() == u"tr") Pop();
  } else if (name == u"li" || name == u"p" || name == u"option") {
    if (top() == name) Pop();
  } else if (name == u"dt" || name == u"dd") {
    if (top() == u"dt" || top() == u"dd") Pop();
  }
  if (name == u"table" || name == u"td" || name == u"th") {
    const int level = std::min(m_nTables + (name == u"table" ? 1 : 0), 40);
    m_nTableWork += int64_t(1) << std::max(0, level - 1);
    if (m_nTableWork > m_limits.nMaxTableWork) return false;
  }
  if (selfClosed || IsVoidElement(name)) return true;
  if (int(m_stack.size()) >= m_limits.nMaxDepth) return false;
  m_stack.push_back(name);
  if (name == u"table") {
    ++m_nTables;
    m_arrRowHeight.push_back(m_nTagHeight);
  }
  return true;
}

tagPreviewHtml CLimiter::Run() {
  qsizetype cut = -1;  // where the kept text ends; -1: it is kept whole
  qsizetype i = 0;
  qsizetype lastTag = -1, lastTagEnd = -1;  // the last comment or tag read
  QString name;
  while (i < Size()) {
    const qsizetype lt = m_text.indexOf(u'<', i);
    const qsizetype textEnd = lt < 0 ? std::min(Size(), m_limits.nMaxChars) : std::min(lt, m_limits.nMaxChars);
    if (const qsizetype tall = CountLines(i, textEnd); tall >= 0) {
      cut = tall;
      break;
    }
    if (lt < 0 || lt >= m_limits.nMaxChars) break;
    lastTag = lt;
    i = lt + 1;
    if (QStringView(m_text).mid(lt, 4) == u"<!--") {
      const qsizetype end = m_text.indexOf(QStringLiteral("-->"), lt + 4);
      i = end < 0 ? Size() : end + 3;
    } else if (At(lt + 1) == u'!' || At(lt + 1) == u'?') {
      const qsizetype end = m_text.indexOf(u'>', lt + 2);
      i = end < 0 ? Size() : end + 1;
    } else if (At(lt + 1) == u'/' && IsAsciiLetter(At(lt + 2))) {
      qsizetype k = lt + 2;
      while (k < Size() && !IsSpace(At(k)) && At(k) != u'>' && At(k) != u'/') ++k;
      name = QStringView(m_text).mid(lt + 2, k - lt - 2).toString().toLower();
      Close(name);
      const qsizetype end = m_text.indexOf(u'>', k);
      i = end < 0 ? Size() : end + 1;
    } else if (IsAsciiLetter(At(lt + 1))) {
      bool selfClosed = false;
      const qsizetype after = ReadStartTag(lt, name, selfClosed);
      if (!Open(name, selfClosed)) {
        cut = lt;
        break;
      }
      i = after;
      lastTagEnd = after;
      if (IsRawTextElement(name) && !selfClosed) {
        // The content runs to the element's end tag; CSS has its lengths brought down.
        qsizetype end = i;
        for (;;) {
          end = m_text.indexOf(QStringLiteral("</"), end);
          if (end < 0 || EqualsNoCase(QStringView(m_text).mid(end + 2, name.size()), name)) break;
          end += 2;
        }
        if (end < 0) end = Size();
        if (name == u"style") ClampNumbers(i, end, NumberContext::StyleSheet);
        i = end;
      }
      continue;
    }
    lastTagEnd = i;
  }
  if (cut < 0 && Size() > m_limits.nMaxChars) {
    // The text stops at the limit, or in front of a tag that runs over it; never between
    // the halves of a surrogate pair.
    cut = m_limits.nMaxChars;
    if (lastTag >= 0 && lastTagEnd > cut) cut = lastTag;
    if (cut > 0 && m_text.at(cut - 1).isHighSurrogate()) --cut;
  }
  // Nor in the middle of a number that is brought down (of CSS, say).
  for (const tagEdit& e : m_edits) {
    if (cut >= 0 && e.nPos < cut && e.nPos + e.nLen > cut) cut = e.nPos;
  }

  tagPreviewHtml out;
  out.bShortened = cut >= 0;
  const qsizetype keep = cut >= 0 ? cut : Size();
  if (m_edits.empty()) {
    out.strHtml = cut >= 0 ? m_text.left(keep) : m_text;
    return out;
  }
  out.strHtml.reserve(keep);
  qsizetype from = 0;
  for (const tagEdit& e : m_edits) {
    if (e.nPos + e.nLen > keep) break;
    out.strHtml += QStringView(m_text).mid(from, e.nPos - from);
    out.strHtml += e.strWith;
    from = e.nPos + e.nLen;
  }
  out.strHtml += QStringView(m_text).mid(from, keep - from);
  return out;
}

}  // namespace

tagPreviewHtml LimitPreviewHtml(const QString& html, const tagPreviewLimits& limits) {
  return CLimiter(html, limits).Run();
}
