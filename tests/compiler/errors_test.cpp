#include "compiler/errors.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace sc {
namespace {

// The README shows the tables as the program holds them.
TEST(ErrorTable, TheReadmeShowsIt) {
  const std::string readme = test::slurp(std::filesystem::path(SC_SOURCE_DIR) / "README.md");
  EXPECT_NE(readme.find(errorTableMarkdown()), std::string::npos)
      << "README.md must hold the error table as errorTableMarkdown() gives it:\n"
      << errorTableMarkdown();
  EXPECT_NE(readme.find(warningTableMarkdown()), std::string::npos)
      << "README.md must hold the warning table as warningTableMarkdown() gives it:\n"
      << warningTableMarkdown();
}

TEST(ErrorTable, NumbersAscendOnceEachWithoutFourteenAndTwentyThree) {
  int32_t previous = 0;
  for (const ErrorInfo& e : errorTable()) {
    EXPECT_GT(e.number, previous);
    previous = e.number;
  }
  EXPECT_EQ(errorInfo(14), nullptr);
  EXPECT_EQ(errorInfo(23), nullptr);
  EXPECT_FALSE(isRecordable(err::MarkerSlotTaken));
  EXPECT_TRUE(isRecordable(err::PlatformFailure));
}

}  // namespace
}  // namespace sc
