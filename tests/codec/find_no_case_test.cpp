#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "codec/find_no_case.h"
#include "tests/support/test_random.h"

namespace {

TEST(FindNoCase, FoldsAsciiLettersOnly) {
  EXPECT_EQ(FindNoCase("Content-Type: text/plain; CHARSET=gbk", "charset="), 26);
  EXPECT_EQ(FindNoCase("abc", "ABC"), 0);
  EXPECT_EQ(FindNoCase("xxBoUnDaRy=", "boundary="), 2);
  EXPECT_EQ(FindNoCase("\xc4\xe3", "\xe4\xe3"), -1);  // bytes above 0x7F compare exactly
  EXPECT_EQ(FindNoCase("[", "{"), -1);                // no folding outside A to Z
}

TEST(FindNoCase, FirstOccurrenceAndMisses) {
  EXPECT_EQ(FindNoCase("aXa xA", "xa"), 1);
  EXPECT_EQ(FindNoCase("base", "base64"), -1);
  EXPECT_EQ(FindNoCase("", "a"), -1);
  EXPECT_EQ(FindNoCase("abc", ""), 0);
  EXPECT_EQ(FindNoCase("aaab", "AAB"), 1);  // restarts after a partial match
  EXPECT_EQ(FindNoCase("xyz-BASE64", "base64"), 4);
}

// Against the plain definition, on texts of a few letters in both cases, other bytes that
// fold onto letters' cases when 0x20 is set ("@", "[", "`", "{"), and high bytes, of lengths
// around the 16-byte steps, with patterns (some longer than 16 bytes) taken from the text (cut, case changed) or made
// up.
TEST(FindNoCase, AgreesWithThePlainDefinition) {
  auto plain = [](std::string_view t, std::string_view p) -> ptrdiff_t {
    auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (size_t i = 0; i + p.size() <= t.size(); ++i) {
      size_t k = 0;
      while (k < p.size() && low(t[i + k]) == low(p[k])) ++k;
      if (k == p.size()) return static_cast<ptrdiff_t>(i);
    }
    return -1;
  };
  const char alphabet[] = {'a', 'A', 'b', 'B', '@', '`', '[', '{', '=', '-', '\xC1', '\xE1'};
  CTestRandom next(12345);
  for (int round = 0; round < 20000; ++round) {
    std::string text(next() % 70, ' ');
    for (char& c : text) c = alphabet[next() % sizeof alphabet];
    std::string pattern;
    if (!text.empty() && next() % 2) {
      const size_t from = next() % text.size();
      pattern = text.substr(from, 1 + next() % (next() % 4 ? 6 : 30));  // now and then longer than a step
      for (char& c : pattern)
        if (next() % 2 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c ^= 0x20;
    } else {
      pattern.resize(1 + next() % 4);
      for (char& c : pattern) c = alphabet[next() % sizeof alphabet];
    }
    // The text is a view into longer bytes that go on with the pattern: a match may not run
    // past the view's end.
    const std::string bytes = text + pattern + pattern;
    const std::string_view view(bytes.data(), text.size());
    ASSERT_EQ(FindNoCase(view, pattern), plain(text, pattern))
        << "text \"" << text << "\" pattern \"" << pattern << "\"";
    // And in a block of exactly its size, where a read past the end shows under AddressSanitizer.
    const auto exact = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), exact.get());
    ASSERT_EQ(FindNoCase(std::string_view(exact.get(), text.size()), pattern), plain(text, pattern));
  }
}

}  // namespace
