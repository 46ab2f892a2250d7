#include "codec/codepage.h"
#include "mail/export.h"
#include "scan/mail_item.h"

namespace {

// The first `count` characters of `s` (a character written as a surrogate pair is kept whole).
std::u16string FirstCharacters(const std::u16string& s, size_t count) {
  size_t i = 0;
  for (size_t n = 0; i < s.size() && n < count; ++n)
    i += (s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) ? 2 : 1;
  return s.substr(0, i);
}

}  // namespace

void SanitizeFileName(std::u16string& name) {
  for (char16_t& c : name) switch (c) {
      case u'"':
      case u'*':
      case u'/':
      case u':':
      case u'<':
      case u'>':
      case u'?':
      case u'\\':
      case u'|':
        c = u' ';
        break;
      default:
        break;
    }
}

std::u16string FolderFileBaseName(const tagMailItem& item) {
  std::u16string name = FirstCharacters(item.strSubjectW, 20) + u"_[" + AnsiToWide(item.strDate) + u"]";
  SanitizeFileName(name);
  return name;
}

std::u16string SuggestedFileName(const tagMailItem& item, SaveKind kind) {
  std::u16string name =
      FirstCharacters(item.strSubjectW, 20) + u" [" + AnsiToWide(item.strDate) + (kind == EML ? u"].eml" : u"].txt");
  SanitizeFileName(name);
  if (name.size() > 299) name.resize(299);  // the save dialog's name buffer
  return name;
}
