#include "compiler/field_stream.h"

#include <gtest/gtest.h>

namespace sc {
namespace {

TEST(FieldStream, TextAndNumberFieldsOfARow) {
  FieldStream s("t", "lunghezza percorso,    358000\r\norologio,    12   59  30 \r\n\r\n");
  EXPECT_EQ(s.readText(), "lunghezza percorso");
  EXPECT_EQ(s.readNumber(), 358000);
  EXPECT_EQ(s.readText(), "orologio");
  EXPECT_EQ(s.place().line, 2);
  EXPECT_EQ(s.readNumber(), 12);
  EXPECT_EQ(s.readNumber(), 59);
  EXPECT_EQ(s.readNumber(), 30);
  EXPECT_EQ(s.place().column, 23);
  EXPECT_FALSE(s.atEnd());
  EXPECT_EQ(s.readText(), "");  // the empty last line
  EXPECT_TRUE(s.atEnd());
  EXPECT_THROW(s.readText(), PlatformFailure);
}

TEST(FieldStream, TextKeepsInnerBlanksAndDropsOuterOnes) {
  FieldStream s("t", "cartello_indicatore,  99950,   (Km 99+996)  \nstazione, 1, DOLVERA CENTRALE");
  s.readText();
  EXPECT_EQ(s.readNumber(), 99950);
  EXPECT_EQ(s.readText(), "(Km 99+996)");
  EXPECT_EQ(s.readText(), "stazione");
  EXPECT_EQ(s.readNumber(), 1);
  EXPECT_EQ(s.readText(), "DOLVERA CENTRALE");
  EXPECT_TRUE(s.atEnd());
}

TEST(FieldStream, LineEndsOfEveryKind) {
  const char* text = "a\rb\nc\r\nd";
  FieldStream s("t", text);
  EXPECT_EQ(s.readText(), "a");
  EXPECT_EQ(s.readText(), "b");
  EXPECT_EQ(s.readText(), "c");
  EXPECT_EQ(s.readText(), "d");
  EXPECT_EQ(s.place().line, 4);
  EXPECT_EQ(lineOfText(text, 2), "b");
}

TEST(FieldStream, NumbersThatAreNotNumbersOrDoNotFit) {
  const char* bad[] = {"abc", "", "1.5", "12x", "-", "2147483648", "-2147483649", "99999999999999"};
  for (const char* b : bad) {
    FieldStream s("t", std::string(b) + ",");
    EXPECT_THROW(s.readNumber(), PlatformFailure) << b;
  }
  FieldStream ok("t", "-2147483648,2147483647,+7, -6");
  EXPECT_EQ(ok.readNumber(), INT32_MIN);
  EXPECT_EQ(ok.readNumber(), INT32_MAX);
  EXPECT_EQ(ok.readNumber(), 7);
  EXPECT_EQ(ok.readNumber(), -6);

  FieldStream narrow("t", "32768,-1,256,255");
  EXPECT_THROW(narrow.readInt16(), PlatformFailure);
  EXPECT_THROW(narrow.readUInt8(), PlatformFailure);
  EXPECT_THROW(narrow.readUInt8(), PlatformFailure);
  EXPECT_EQ(narrow.readUInt8(), 255);
}

TEST(FieldStream, BlanksAloneMakeOneEmptyField) {
  FieldStream s("t", "   ");
  EXPECT_EQ(s.readText(), "");
  EXPECT_TRUE(s.atEnd());
  FieldStream empty("t", "");
  EXPECT_TRUE(empty.atEnd());
}

TEST(FieldStream, TextFieldsLongerThanTheFileFormatAllowsFail) {
  FieldStream s("t", std::string(70000, 'a'));
  EXPECT_THROW(s.readText(), PlatformFailure);
}

TEST(FieldStream, AnOverlongNumberFailsWithAShortMessage) {
  // Leading zeros are still a number; a field of a million digits is refused, and the
  // message does not carry it.
  FieldStream zeros("t", std::string(60, '0') + "7,");
  EXPECT_EQ(zeros.readNumber(), 7);
  FieldStream s("t", std::string(1000000, '1') + ",");
  try {
    s.readNumber();
    ADD_FAILURE() << "read";
  } catch (const PlatformFailure& f) {
    EXPECT_LT(std::string(f.what()).size(), 200u) << f.what();
    EXPECT_EQ(s.place().column, 1);
  }
}

TEST(KeywordTests, TextCompareIgnoresCaseExactDoesNot) {
  EXPECT_TRUE(containsText("Lunghezza Percorso", "percorso"));
  EXPECT_FALSE(containsExact("Progressiva chilometrica tre", "progressiva"));
  EXPECT_TRUE(containsExact("progressiva chilometrica tre", "tre"));
  EXPECT_TRUE(containsText("VELOCITA", "velocit"));
  EXPECT_EQ(lowerCodePage("AbC\xC0\xD7"), "abc\xE0\xD7");
}

}  // namespace
}  // namespace sc
