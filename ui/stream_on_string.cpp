#include "ui/stream_on_string.h"

#include <algorithm>
#include <cstring>
#include <new>

CStreamOnCString::CStreamOnCString(std::u16string text, int codePage)
    : m_strText(std::move(text)), m_nCodePage(codePage) {}

CStreamOnCString::Result CStreamOnCString::QueryInterface(Interface iid, void** object) {
  if (!object) return kPointer;
  if (iid == Interface::Other) {
    *object = nullptr;
    return kNoInterface;
  }
  *object = this;
  AddRef();
  return kOk;
}

CStreamOnCString::Result CStreamOnCString::Read(void* buffer, uint32_t count, uint32_t* read) {
  if (read) *read = 0;
  if (m_strBytes.empty()) m_strBytes = WideToMultiByte(m_nCodePage, m_strText);
  if (!buffer) return kPointer;
  if (m_nPos >= m_strBytes.size()) return kFalse;
  const size_t k = std::min<size_t>(m_strBytes.size() - m_nPos, count);
  if (k == 0) {
    m_nPos = 0;
    m_strBytes.clear();
    return kFalse;
  }
  std::memcpy(buffer, m_strBytes.data() + m_nPos, k);
  if (read) *read = static_cast<uint32_t>(k);
  m_nPos += k;
  return kOk;
}

CStreamOnCString::Result CStreamOnCString::Write(const void* buffer, uint32_t count, uint32_t* written) {
  if (written) *written = 0;
  if (!buffer) return kPointer;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  try {
    bool signature = false;
    if (LooksLikeUtf16(bytes, count, &signature)) {
      const size_t skip = signature ? 2 : 0;
      const size_t units = count / 2 - (signature ? 1 : 0);
      std::u16string add(units, u'\0');
      for (size_t i = 0; i < units; ++i) {
        add[i] = static_cast<char16_t>(bytes[skip + 2 * i] | (bytes[skip + 2 * i + 1] << 8));
      }
      m_strText += add;
      if (written) *written = static_cast<uint32_t>(count - skip);
    } else {
      m_strText += MultiByteToWide(m_nCodePage, std::string_view(reinterpret_cast<const char*>(bytes), count));
      if (written) *written = count;
    }
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  return kOk;
}

CStreamOnCString::Result CStreamOnCString::Seek(int64_t, int, uint64_t* newPosition) {
  if (newPosition) *newPosition = 0;
  return kOk;
}

bool LooksLikeUtf16(const uint8_t* bytes, size_t count, bool* signature) {
  if (signature) *signature = false;
  if (!bytes || count < 2) return false;
  if (bytes[0] == 0xFF && bytes[1] == 0xFE) {
    if (signature) *signature = true;
    return true;
  }
  if (count % 2 != 0) return false;
  // Statistics: mostly ASCII or CJK text in UTF-16 has many zero high bytes and no zero
  // low bytes; 8-bit text has no zero bytes at all.
  size_t zeroHigh = 0, zeroLow = 0;
  for (size_t i = 0; i + 1 < count; i += 2) {
    if (bytes[i] == 0) ++zeroLow;
    if (bytes[i + 1] == 0) ++zeroHigh;
  }
  const size_t units = count / 2;
  return zeroLow == 0 && zeroHigh * 2 >= units;
}
