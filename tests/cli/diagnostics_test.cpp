#include "cli/diagnostics.h"

#include <gtest/gtest.h>

namespace sc {
namespace {

TEST(QuoteRow, ShortRowsAsTheyAre) {
  QuotedRow q = quoteRow("segnale, 113050", 10);
  EXPECT_EQ(q.text, "segnale, 113050");
  EXPECT_EQ(q.caret, 9u);
}

// A long row is cut to about 200 bytes around the field, the caret still under it.
TEST(QuoteRow, LongRowsAreCutAroundTheField) {
  std::string row = std::string(5000, 'a') + "FIELD" + std::string(100000, 'b');
  QuotedRow q = quoteRow(row, 5001);
  EXPECT_LE(q.text.size(), 210u);
  EXPECT_EQ(q.text.substr(0, 3), "...");
  EXPECT_EQ(q.text.substr(q.text.size() - 3), "...");
  EXPECT_EQ(q.text.substr(q.caret, 5), "FIELD");

  QuotedRow head = quoteRow(std::string(300, 'x'), 1);
  EXPECT_EQ(head.caret, 0u);
  EXPECT_EQ(head.text, std::string(200, 'x') + "...");
  QuotedRow tail = quoteRow(std::string(300, 'x'), 301);  // just past the last byte
  EXPECT_EQ(tail.text, "..." + std::string(200, 'x'));
  EXPECT_EQ(tail.caret, tail.text.size());
}

TEST(QuoteRow, ControlBytesAreEscapedAndTheCaretFollows) {
  QuotedRow q = quoteRow("a\x1b[31mb,\x7f\tX", 11);
  EXPECT_EQ(q.text, "a\\x1b[31mb,\\x7f\tX");
  EXPECT_EQ(q.text.substr(q.caret), "X");
}

}  // namespace
}  // namespace sc
