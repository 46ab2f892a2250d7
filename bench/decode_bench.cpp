// Throughput of the mail decoders on inputs of realistic shape.
#include <benchmark/benchmark.h>

#include <string>

#include "codec/base64.h"
#include "codec/charset.h"
#include "codec/codepage.h"
#include "codec/header_value.h"
#include "codec/quoted_printable.h"

namespace {

constexpr size_t kMiB = 1 << 20;

// Deterministic pseudo-random bytes.
std::string RandomBytes(size_t n) {
  std::string s(n, '\0');
  uint32_t x = 2463534242u;
  for (char& c : s) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return s;
}

// 1 MiB of base64 text in 76-character lines ending in CR LF, as mail carries it.
std::string Base64Text() {
  static const char kAlpha[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::string data = RandomBytes(kMiB);
  std::string out;
  int column = 0;
  for (size_t i = 0; i + 3 <= data.size() && out.size() < kMiB - 80; i += 3) {
    const uint32_t v = static_cast<uint8_t>(data[i]) << 16 | static_cast<uint8_t>(data[i + 1]) << 8 |
                       static_cast<uint8_t>(data[i + 2]);
    for (int k = 3; k >= 0; --k) out += kAlpha[v >> (6 * k) & 63];
    if ((column += 4) == 76) {
      out += "\r\n";
      column = 0;
    }
  }
  return out;
}

// 1 MiB of quoted-printable: `escapedShare` of the bytes are "=XX" escapes, lines of at
// most 76 characters end in soft breaks.
std::string QuotedPrintableText(int escapedPercent) {
  const std::string data = RandomBytes(kMiB);
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  int column = 0;
  for (size_t i = 0; out.size() < kMiB - 80; ++i) {
    const uint8_t b = static_cast<uint8_t>(data[i % data.size()]);
    if (static_cast<int>(b % 100) < escapedPercent) {
      out += '=';
      out += kHex[b >> 4];
      out += kHex[b & 15];
      column += 3;
    } else {
      out += static_cast<char>('a' + b % 26);
      column += 1;
    }
    if (column >= 73) {
      out += "=\r\n";
      column = 0;
    }
  }
  return out;
}

void BM_Base64Decode(benchmark::State& state) {
  const std::string text = Base64Text();
  for (auto _ : state) benchmark::DoNotOptimize(Base64Decode(text.data(), text.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Base64Decode);

void BM_Base64DecodedLength(benchmark::State& state) {
  const std::string text = Base64Text();
  for (auto _ : state) benchmark::DoNotOptimize(Base64DecodedLength(text.data(), text.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Base64DecodedLength);

// Argument: percentage of escaped bytes (5: mostly Latin text; 100: CJK text in UTF-8).
void BM_QuotedPrintableDecode(benchmark::State& state) {
  const std::string text = QuotedPrintableText(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(QuotedPrintableDecode(text.data(), text.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_QuotedPrintableDecode)->Arg(5)->Arg(30)->Arg(100);

void BM_DecodeHeaderValue(benchmark::State& state) {
  static const char* const kValues[] = {
      "=?utf-8?B?5byg5LiJ?= <zhang@example.com>",
      "Re: =?gb2312?B?xOO6ww==?= =?gb2312?B?ysC95w==?=",
      "\"Zhang San\" <zhang@example.com>, Li Si <li@example.com>",
      "=?iso-8859-1?Q?Caf=E9_au_lait?= and a plain tail",
  };
  BuildEncodeTable();
  size_t i = 0;
  for (auto _ : state) {
    std::string value = kValues[i++ & 3];
    benchmark::DoNotOptimize(DecodeHeaderValue(value));
  }
}
BENCHMARK(BM_DecodeHeaderValue);

void BM_ConvertTextGbk(benchmark::State& state) {
  std::string text;
  while (text.size() < 64 * 1024) text += "\xc4\xe3\xba\xc3\xca\xc0\xbd\xe7, hello world. ";
  const tagEncodeType row{"gbk", 936};
  for (auto _ : state) benchmark::DoNotOptimize(row.ConvertText(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ConvertTextGbk);

}  // namespace
