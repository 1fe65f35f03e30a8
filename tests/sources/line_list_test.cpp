#include "sources/line_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace sc {
namespace {

TEST(LineList, RendersUpToTheFirstExactEndMarker) {
  struct Case {
    const char* what;
    std::vector<std::string> list;
    std::string bytes;
  } cases[] = {
      {"stops at the marker, later entries are dropped",
       {"a", "", "b", kEndMarker, "c", kEndMarker},
       "a\r\n\r\nb\r\n"},
      {"marker first: nothing is written", {kEndMarker, "a"}, ""},
      {"only the whole, case-sensitive marker stops",
       {"Riferimento fine del file", "riferimento fine del file ", " riferimento fine del file",
        "riferimento fine del", "x", kEndMarker},
       "Riferimento fine del file\r\nriferimento fine del file \r\n riferimento fine del "
       "file\r\nriferimento fine del\r\nx\r\n"},
      {"no marker: every entry is written", {"a", "b "}, "a\r\nb \r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(renderLineList(c.list), c.bytes) << c.what;
}

TEST(LineList, MakePutsTheMarkerRightAfterTheFixedLines) {
  const char* const three[] = {"uno", "", "tre"};
  struct Case {
    std::span<const char* const> fixed;
    size_t markerAt;
  } cases[] = {{{}, 0}, {three, 3}};
  for (const Case& c : cases) {
    std::vector<std::string> list = makeLineList(c.fixed);
    ASSERT_EQ(list.size(), kLineListSize);
    for (size_t i = 0; i < c.fixed.size(); ++i) EXPECT_EQ(list[i], c.fixed[i]) << i;
    EXPECT_EQ(list[c.markerAt], kEndMarker);
    for (size_t i = c.markerAt + 1; i < list.size(); ++i) ASSERT_EQ(list[i], "") << i;
  }
  EXPECT_EQ(renderLineList(makeLineList(three)), test::crlf({"uno", "", "tre"}));
}

TEST(LineList, MakeKeepsTheMarkerInsideTheListWhenTooManyLinesAreGiven) {
  std::vector<const char*> many(1200, "x");
  std::vector<std::string> list = makeLineList(many);
  ASSERT_EQ(list.size(), kLineListSize);
  EXPECT_EQ(list.back(), kEndMarker);
  std::string expected;
  for (size_t i = 0; i + 1 < kLineListSize; ++i) expected += "x\r\n";
  EXPECT_EQ(renderLineList(list), expected);
}

TEST(LineList, WriteReplacesALongerFileWhole) {
  test::TempDir dir;
  const auto file = dir / "text.txt";
  test::spit(file, std::string(5000, 'z') + "\r\n");
  const char* const lines[] = {"a", ""};
  writeLineList(file, makeLineList(lines));
  EXPECT_EQ(test::slurp(file), "a\r\n\r\n");
}

}  // namespace
}  // namespace sc
