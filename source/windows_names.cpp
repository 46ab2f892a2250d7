#include "source/windows_names.h"

std::u16string WindowsDevicePath(const SourceName& name) {
  switch (name.kind) {
    case SourceNameKind::PhysicalDisk: {
      std::u16string upper = name.text;
      for (char16_t& c : upper) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
      }
      return u"\\\\.\\PHYSICALDRIVE" + upper;
    }
    case SourceNameKind::Path:
      return name.text;
    case SourceNameKind::Device:
      return u"\\\\.\\" + name.text;
    case SourceNameKind::Invalid:
      break;
  }
  return {};
}

bool IsWindowsVolumeName(const std::u16string& name) { return name.size() == 2 && name[1] == u':'; }

bool HasWindowsDriveRoot(const std::u16string& name) {
  const size_t at = name.find(u":\\");
  return at != std::u16string::npos && at >= 1;
}
