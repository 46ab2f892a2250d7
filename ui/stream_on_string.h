#pragma once
// CStreamOnCString: a byte stream over a UTF-16 text, read the way a document loader reads
// a stream: in pieces, until it reports the end. The bytes served are the text converted to
// 8 bits in the stream's code page (the ANSI code page unless another is given); the
// conversion is made when a read finds the 8-bit form empty.
//
// Result codes follow the stream interface the preview was designed around: kOk, kFalse
// (the end, or a read of 0 bytes), kPointer (a null buffer), kNotImpl, kNoInterface,
// kOutOfMemory. The object is not reference counted: AddRef and Release return 1 and it
// lives on the stack of whoever loads the preview. One thread at a time.

#include <cstdint>
#include <string>

#include "codec/codepage.h"

class CStreamOnCString {
 public:
  using Result = int32_t;
  static constexpr Result kOk = 0;
  static constexpr Result kFalse = 1;
  static constexpr Result kNotImpl = static_cast<Result>(0x80004001u);
  static constexpr Result kNoInterface = static_cast<Result>(0x80004002u);
  static constexpr Result kPointer = static_cast<Result>(0x80004003u);
  static constexpr Result kOutOfMemory = static_cast<Result>(0x8007000Eu);

  // The interfaces the stream answers to.
  enum class Interface { Unknown, Stream, SequentialStream, Other };

  explicit CStreamOnCString(std::u16string text = {}, int codePage = CP_THREAD_ACP);

  Result QueryInterface(Interface iid, void** object);
  unsigned long AddRef() { return 1; }
  unsigned long Release() { return 1; }

  // Copies up to `count` bytes from the read position. `read` (may be null) gets the count
  // copied. At the end: kFalse, nothing moves. A read of 0 bytes rewinds to the start and
  // drops the 8-bit form (it is rebuilt by the next read): kFalse.
  Result Read(void* buffer, uint32_t count, uint32_t* read);
  // Appends `count` bytes to the text: UTF-16 when they look like UTF-16 (a byte-order mark
  // is skipped), else 8-bit text in the stream's code page. `written` gets the bytes taken.
  Result Write(const void* buffer, uint32_t count, uint32_t* written);
  // Does not move; reports 0 as the new position.
  Result Seek(int64_t move, int origin, uint64_t* newPosition);
  Result SetSize(uint64_t) { return kOk; }
  Result CopyTo() { return kNotImpl; }
  Result Commit() { return kNotImpl; }
  Result Revert() { return kNotImpl; }
  Result LockRegion() { return kNotImpl; }
  Result UnlockRegion() { return kNotImpl; }
  Result Stat() { return kNotImpl; }
  Result Clone() { return kNotImpl; }

  const std::u16string& Text() const { return m_strText; }
  size_t Position() const { return m_nPos; }

 private:
  std::u16string m_strText;
  std::string m_strBytes;  // the 8-bit form; built on demand
  size_t m_nPos = 0;       // read position in m_strBytes
  int m_nCodePage;
};

// True when `count` bytes look like UTF-16 text (little-endian); `signature` is set when they
// begin with the byte-order mark FF FE.
bool LooksLikeUtf16(const uint8_t* bytes, size_t count, bool* signature);
