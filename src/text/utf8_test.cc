#include "text/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace clippers {
namespace {

using namespace std::string_literals;

TEST(Utf8, ValidationRejectsEveryMalformedForm) {
  const struct {
    std::string bytes;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain ascii, long enough to take the eight-byte path", true},
      {"nul\0inside"s, true},
      {"\xC3\xA9t\xC3\xA9", true},                // é
      {"\xE2\x82\xAC", true},                     // €
      {"\xF0\x9F\x98\x80", true},                 // U+1F600
      {"\xF4\x8F\xBF\xBF", true},                 // U+10FFFF
      {"\xC0\xAF", false},                        // overlong '/'
      {"\xE0\x80\xAF", false},                    // overlong, three bytes
      {"\xED\xA0\x80", false},                    // surrogate U+D800
      {"\xF4\x90\x80\x80", false},                // above U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"abc\xE2\x82", false},                     // truncated at the end
      {"\x80", false},                            // stray continuation
      {"12345678\xFF", false},                    // after a full ASCII word
  };
  for (const auto& c : cases) EXPECT_EQ(is_valid_utf8(c.bytes), c.valid) << c.bytes;
}

TEST(Utf8, ValidationAgreesWithTheDecoderWherePiecesBreak) {
  // The decoder behind lossy_utf8 reads the same rules independently: its
  // output equals its input exactly when the input is valid.  Every lead byte,
  // followed by bytes from each range that matters, placed at each kind of
  // spot for the ASCII fast paths, checked whole and in two pieces split at
  // each byte of the sequence.
  const unsigned char follow[] = {0x41, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC2, 0xE4, 0xFF};
  for (int lead = 0; lead < 256; ++lead) {
    for (unsigned char a : follow) {
      for (unsigned char b : follow) {
        for (unsigned char c : follow) {
          const char sequence[] = {static_cast<char>(lead), static_cast<char>(a), static_cast<char>(b),
                                   static_cast<char>(c)};
          for (std::size_t ascii : {0u, 7u, 28u, 32u}) {
            const std::string s = std::string(ascii, 'x') + std::string(sequence, 4) + std::string(32, 'y');
            const bool valid = lossy_utf8(s) == s;
            ASSERT_EQ(is_valid_utf8(s), valid) << s;
            for (std::size_t cut = ascii; cut <= ascii + 4; ++cut) {
              Utf8Validator pieces;
              const std::string_view all(s);
              ASSERT_EQ(pieces.feed(all.substr(0, cut)) && pieces.feed(all.substr(cut)) && pieces.complete(),
                        valid)
                  << s << " cut at " << cut;
            }
          }
        }
      }
    }
  }
}

TEST(Utf8, ValidationAgreesWithTheDecoderInLongMultiByteText) {
  // Multi-byte text goes through the DFA in blocks, as two streams at once,
  // the second starting at a character boundary near the middle.  A sample
  // at every offset of a text of two- or three-byte characters falls in the
  // first stream, across the boundary and in the second.
  const std::string samples[] = {"\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xC0\xAF", "\xED\xA0\x80",
                                 "\xF4\x90\x80\x80", "\x80\x80\x80\x80", "\xE2\x82", "\xC3"};
  for (const std::string filler : {"\xC3\xA9", "\xE4\xB8\xAD"}) {
    for (std::string lead_in : {"", "x"}) {
      for (int n = 0; n < 40; ++n, lead_in += filler) {
        for (const std::string& sample : samples) {
          std::string s = lead_in + sample;
          for (int k = 0; k < 40; ++k) s += filler;
          ASSERT_EQ(is_valid_utf8(s), lossy_utf8(s) == s) << lead_in.size() << " " << sample;
        }
      }
    }
  }
}

TEST(Utf8, LossyReplacesEachMaximalInvalidSequenceOnce) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(lossy_utf8("a\xFF" "b"), "a" + fffd + "b");
  EXPECT_EQ(lossy_utf8("\xE2\x82" "x"), fffd + "x");  // truncated sequence: one replacement
  EXPECT_EQ(lossy_utf8("\xC0\xAF"), fffd + fffd);     // C0 can start nothing
  EXPECT_EQ(lossy_utf8("\xED\xA0\x80"), fffd + fffd + fffd);
  EXPECT_EQ(lossy_utf8("\xF0\x9F\x98"), fffd);
  EXPECT_EQ(lossy_utf8("ok \xC3\xA9"), "ok \xC3\xA9");
}

TEST(Utf8, QuotedPathEscapesLikeADebugString) {
  const struct {
    std::string path;
    std::string quoted;
  } cases[] = {
      {"/tmp/clippers-abc", R"("/tmp/clippers-abc")"},
      {"a\"b\\c", R"("a\"b\\c")"},
      {"tab\there\nnl\rcr", R"("tab\there\nnl\rcr")"},
      {"nul\0x"s, R"("nul\0x")"},
      {"it's", R"("it's")"},
      {"\x01\x7F", R"("\u{1}\u{7f}")"},
      {"e\xCC\x81", R"("e\u{301}")"},  // combining acute accent
      {"caf\xC3\xA9", "\"caf\xC3\xA9\""},
      {"bad\xFF\xFE", R"("bad\xFF\xFE")"},
      {"\xE2\x82", R"("\xE2\x82")"},
  };
  for (const auto& c : cases) EXPECT_EQ(quoted_path(c.path), c.quoted) << c.path;
}

}  // namespace
}  // namespace clippers
