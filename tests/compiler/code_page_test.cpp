#include "compiler/code_page.h"

#include <gtest/gtest.h>

namespace sc {
namespace {

TEST(CodePage, Utf8BecomesWindows1252) {
  CodePageText t = utf8ToCodePage("CITT\xC3\x80 \xE2\x82\xAC \xC5\xA0\r\nx");  // À € Š
  EXPECT_EQ(t.problem, "");
  EXPECT_EQ(t.bytes, "CITT\xC0 \x80 \x8A\r\nx");
}

TEST(CodePage, WhatCannotBeConvertedIsPlaced) {
  struct Case {
    const char* text;
    int line;
    int column;
    const char* problem;
  } cases[] = {
      {"ab\r\ncd\xC5\x90", 2, 3, "U+0150"},     // Ő has no byte
      {"a\n\n  \xE2\x80\x8B", 3, 3, "U+200B"},  // zero-width space
      {"x\xC8y", 1, 2, "not UTF-8"},            // a Windows-1252 byte
      {"\xC0\xAF", 1, 1, "not UTF-8"},          // overlong
      {"ok\xE2\x82", 1, 3, "not UTF-8"},        // cut at the end
  };
  for (const Case& c : cases) {
    CodePageText t = utf8ToCodePage(c.text);
    EXPECT_NE(t.problem.find(c.problem), std::string::npos) << c.text << ": " << t.problem;
    EXPECT_EQ(t.line, c.line) << c.text;
    EXPECT_EQ(t.column, c.column) << c.text;
  }
}

TEST(CodePage, LooksUtf8) {
  EXPECT_TRUE(looksUtf8("TORV\xC3\x88L"));
  EXPECT_FALSE(looksUtf8("TORVEL"));     // ASCII only
  EXPECT_FALSE(looksUtf8("TORV\xC8L"));  // a Windows-1252 byte
}

}  // namespace
}  // namespace sc
