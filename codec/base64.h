#pragma once
// Base64 (RFC 2045 alphabet; non-alphabet bytes skipped; an "=" right after an alphabet
// character ends the decoding). All reentrant; the in-place variant replaces the string it
// is given.

#include <cstddef>
#include <string>
#include <string_view>

// Returns the decoded bytes; their count is the decoded length.
std::string Base64Decode(const char* data, size_t length);
// The decoded length alone, without producing the bytes (attachment sizes).
size_t Base64DecodedLength(const char* data, size_t length);

// Base64DecodedLength of data that arrives in pieces: Length() is what Base64DecodedLength
// gives for all pieces added so far, joined, without keeping them.
class CBase64Length {
 public:
  void Add(const char* data, size_t length);
  // A line of text at `data`: adds its bytes up to the first byte below 0x0E (a line break, a
  // zero, a tab, ...) and returns their count, when that byte is among the first `max` (a
  // multiple of 32, all readable); otherwise adds nothing and returns 0. Where the processor
  // has AVX2, one pass over the bytes does both.
  size_t AddLine(const char* data, size_t max);
  // The length of the line at `data` when it is base64 alphabet characters only up to its
  // first byte below 0x0E, that byte among the first `max` (a multiple of 32, all readable);
  // 0 otherwise. Such a line counts whole: AddPlainLine adds it, as Add would, unless the
  // decoding has ended.
  static size_t PlainLineLength(const char* data, size_t max);
  void AddPlainLine(size_t length) {
    m_nAlphabet += length;
    m_bStarted = true;
    m_bAfterAlphabet = true;
  }
  bool Ended() const { return m_bEnded; }
  size_t Length() const { return m_nAlphabet / 4 * 3 + (m_nAlphabet % 4 == 2 ? 1 : m_nAlphabet % 4 == 3 ? 2 : 0); }

 private:
  size_t m_nAlphabet = 0;         // alphabet characters before the end
  bool m_bStarted = false;        // a byte was added
  bool m_bAfterAlphabet = false;  // the last byte added is an alphabet character
  bool m_bEnded = false;          // the decoding's end was reached: later bytes do not count
};
// Sets `out` to the decoding of `s` up to its first zero byte and returns true, when the
// decoding is not empty; else leaves `out` as it is and returns false.
bool Base64DecodeText(std::string_view s, std::string& out);
// Replaces `s` by its decoding up to the first zero byte, when the decoding is not empty.
void DecodeBase64InPlace(std::string& s);
