#pragma once
// Quoted-printable and the Q encoding of encoded header words. All reentrant; the in-place
// variant replaces the string it is given.

#include <cstddef>
#include <string>
#include <string_view>

// Quoted-printable: "=XX" (either case), soft line breaks "=" CR LF and "=" LF; an "=" not
// followed by two hex digits stays as it is; nothing is read past the end.
std::string QuotedPrintableDecode(const char* data, size_t length);
// Sets `out` to the decoding of `s` up to its first zero byte and returns true, when the
// decoding is not empty; else leaves `out` as it is and returns false.
bool QuotedPrintableDecodeText(std::string_view s, std::string& out);
// Replaces `s` by its decoding up to the first zero byte, when the decoding is not empty.
void DecodeQuotedPrintableInPlace(std::string& s);
// The Q encoding of encoded header words: quoted-printable where "_" also stands for a space.
std::string QEncodingDecode(const char* data, size_t length);
