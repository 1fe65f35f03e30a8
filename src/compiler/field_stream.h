// The field stream of the source texts: one comma-separated field at a time, in the manner of
// a sequential text input. Blanks (spaces, tabs) before a field are skipped; a text field
// runs to the next comma or line end with blanks around it dropped; a number field also ends
// at a blank; the comma or line end after a field is consumed with it. CR LF, a lone LF and
// a lone CR each end a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/errors.h"
#include "compiler/platform_failure.h"

namespace sc {

class FieldStream {
 public:
  static constexpr size_t kMaxTextBytes = 65535;

  // label names the text in places (normally its file name); content is the whole text.
  FieldStream(std::string label, std::string content);

  // True when no character of the text remains unread.
  bool atEnd() const { return pos_ >= text_.size(); }

  // The next field as text. Reading when nothing remains is a platform failure.
  const std::string& readText();
  // The next field as a whole number (optional sign, decimal digits) of 32 bits.
  int32_t readNumber();
  // A number read straight into a narrower field must fit it.
  int16_t readInt16();
  uint8_t readUInt8();

  // The last field read (as text; a number field as its characters) and where it began.
  const std::string& current() const { return field_; }
  const SourcePlace& place() const { return place_; }
  const std::string& label() const { return place_.file; }
  // Whether the last field read is the first of its line (only blanks before it).
  bool startsLine() const { return startsLine_; }
  // Passes over the rest of the current line (a reading that recovers after a fault).
  void skipLine();

  [[noreturn]] void fail(const std::string& what) const;

 private:
  void skipBlanks();
  void beginField();
  void consumeLineEnd();
  bool atLineEnd() const;

  std::string text_;
  size_t pos_ = 0;
  int32_t lineNo_ = 1;
  size_t lineStart_ = 0;
  std::string field_;
  SourcePlace place_;
  bool startsLine_ = true;
};

// Substring tests of the keyword rules: a text compare ignores letter case, an exact compare
// respects it.
bool containsText(std::string_view field, std::string_view needle);
bool containsExact(std::string_view field, std::string_view needle);

// Line number (from 1) of a text, without its line end; empty beyond the last line.
std::string_view lineOfText(std::string_view text, int32_t number);

// Lower-case mapping of the 8-bit code page (Windows-1252).
char lowerCodePage(char c);
std::string lowerCodePage(std::string_view s);

}  // namespace sc
