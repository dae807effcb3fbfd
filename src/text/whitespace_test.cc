#include "text/whitespace.h"

#include <gtest/gtest.h>

#include <string>

namespace clippers {
namespace {

// Every White_Space character, encoded.
const char* const kSpaces[] = {
    "\t", "\n", "\v", "\f", "\r", " ", "\xC2\x85", "\xC2\xA0", "\xE1\x9A\x80",
    "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82", "\xE2\x80\x83", "\xE2\x80\x84",
    "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89",
    "\xE2\x80\x8A", "\xE2\x80\xA8", "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F",
    "\xE3\x80\x80",
};

// Characters that look alike or sit next to the set but are not in it.
const char* const kNotSpaces[] = {
    "\xE2\x80\x8B",  // zero width space U+200B
    "\xE2\x80\x8C",  // U+200C
    "\xE2\x81\xA0",  // word joiner U+2060
    "\xEF\xBB\xBF",  // BOM U+FEFF
    "\xC2\xAD",      // soft hyphen
    "\xE1\xA0\x8E",  // Mongolian vowel separator, no longer White_Space
    "\x1C",          // file separator
    "\xE3\x80\x81",  // U+3001
};

TEST(Whitespace, TrimsExactlyTheWhiteSpaceSet) {
  for (const char* s : kSpaces) {
    const std::string text = std::string(s) + "x" + s + s;
    EXPECT_EQ(trim_end(text), std::string(s) + "x") << text;
    EXPECT_EQ(trim_start(text), std::string("x") + s + s) << text;
    EXPECT_EQ(trim(text), "x") << text;
    EXPECT_TRUE(is_blank(std::string(s) + s));
  }
  for (const char* s : kNotSpaces) {
    const std::string text = std::string(s) + "x" + s;
    EXPECT_EQ(trim(text), text) << text;
    EXPECT_FALSE(is_blank(s));
  }
}

TEST(Whitespace, MixedRunsAndEmptyInput) {
  EXPECT_EQ(trim(""), "");
  EXPECT_TRUE(is_blank(""));
  EXPECT_EQ(trim(" \r\n\xE3\x80\x80\t"), "");
  EXPECT_EQ(trim_end("a\n\n  \n"), "a");
  EXPECT_EQ(trim_end("line\r\n \xC2\xA0"), "line");
  EXPECT_EQ(trim_start("\n\nkeep  "), "keep  ");
  // Long runs go eight bytes at a time: the run stops at the right byte.
  EXPECT_EQ(trim_end("xy       "), "xy");
  EXPECT_EQ(trim_end("keep\xE3\x80\x80 \t\n\r\v\f  \n\n \n\n\n\n\n\n\n\n"), "keep");
}

}  // namespace
}  // namespace clippers
