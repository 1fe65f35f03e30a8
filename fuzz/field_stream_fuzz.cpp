// The field stream alone. Input: one byte n, then n pattern bytes, then the text. Each pattern
// byte gives four reads (two bits each: text, 32-bit number, 16-bit number, 8-bit number),
// used in a cycle until the text ends or a read fails. Every read is checked against the
// rules of the fields; a failure must be a PlatformFailure.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/field_stream.h"
#include "harness.h"

namespace {

using sc::FieldStream;
using sc::fuzz::violation;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// What a number field must hold: an optional sign and digits, within 32 bits.
bool parseNumber(const std::string& field, int64_t& value) {
  size_t i = 0;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  if (i == field.size()) return false;
  value = 0;
  for (; i < field.size(); ++i) {
    if (field[i] < '0' || field[i] > '9') return false;
    value = value * 10 + (field[i] - '0');
    if (value > (int64_t{1} << 32)) return false;
  }
  if (negative) value = -value;
  return value >= INT32_MIN && value <= INT32_MAX;
}

// Where each line of the text begins, and how long it is without its line end (CR LF, a lone
// LF and a lone CR each end a line).
struct Lines {
  std::vector<size_t> start;
  std::vector<size_t> length;
  explicit Lines(std::string_view text) {
    size_t p = 0;
    for (;;) {
      size_t e = p;
      while (e < text.size() && !isLineEnd(text[e])) ++e;
      start.push_back(p);
      length.push_back(e - p);
      if (e >= text.size()) break;
      p = e + (text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n' ? 2 : 1);
    }
  }
};

void checkPlace(const FieldStream& s, const Lines& lines) {
  const sc::SourcePlace& p = s.place();
  if (p.line < 1 || p.column < 1) violation("a field place before line 1 or column 1");
  if (static_cast<size_t>(p.line) > lines.start.size()) {
    violation("field place line " + std::to_string(p.line) + " beyond the text's " +
              std::to_string(lines.start.size()) + " lines");
  }
  const size_t length = lines.length[static_cast<size_t>(p.line) - 1];
  if (static_cast<size_t>(p.column) > length + 1) {
    violation("field place column " + std::to_string(p.column) + " beyond its line of " +
              std::to_string(length) + " bytes");
  }
}

// lineOfText agrees with the line table.
void checkLineOfText(std::string_view text, const Lines& lines, int32_t number) {
  std::string_view line = sc::lineOfText(text, number);
  const size_t i = static_cast<size_t>(number) - 1;
  if (i >= lines.start.size()) {
    if (!line.empty()) violation("lineOfText gives a line beyond the text");
    return;
  }
  if (line != text.substr(lines.start[i], lines.length[i])) violation("lineOfText disagrees");
}

// The keyword tests against a plain definition.
void checkContains(const std::string& field, std::string_view needle) {
  const bool text = sc::lowerCodePage(field).find(sc::lowerCodePage(needle)) != std::string::npos;
  const bool exact = field.find(needle) != std::string::npos;
  if (sc::containsText(field, needle) != text) violation("containsText disagrees");
  if (sc::containsExact(field, needle) != exact) violation("containsExact disagrees");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t n = std::min<size_t>(data[0] % 16, size - 1);
  std::vector<uint8_t> pattern(data + 1, data + 1 + n);
  if (pattern.empty()) pattern.push_back(0);
  const std::string text(reinterpret_cast<const char*>(data + 1 + n), size - 1 - n);

  FieldStream s("fuzz.txt", text);
  const Lines lines(text);
  size_t reads = 0;
  for (;; ++reads) {
    const bool atEnd = s.atEnd();
    const uint8_t byte = pattern[(reads / 4) % pattern.size()];
    const int op = (byte >> (2 * (reads % 4))) & 3;
    try {
      switch (op) {
        case 0: {
          const std::string& f = s.readText();
          if (f != s.current()) violation("readText differs from current()");
          if (f.size() > FieldStream::kMaxTextBytes) violation("a text field above 65535 bytes");
          for (char c : f) {
            if (c == ',' || isLineEnd(c)) violation("a text field holds a comma or a line end");
          }
          if (!f.empty() && (isBlank(f.front()) || isBlank(f.back()))) {
            violation("a text field keeps a blank at an end");
          }
          checkContains(f, "[generale]");
          checkContains(f, "-");
          if (!text.empty()) checkContains(f, std::string_view(text).substr(0, 3));
          break;
        }
        case 1: {
          int32_t v = s.readNumber();
          int64_t expected = 0;
          if (!parseNumber(s.current(), expected) || expected != v) {
            violation("readNumber gave " + std::to_string(v) + " for \"" + s.current() + "\"");
          }
          break;
        }
        case 2: {
          int16_t v = s.readInt16();
          int64_t expected = 0;
          if (!parseNumber(s.current(), expected) || expected != v) {
            violation("readInt16 gave " + std::to_string(v) + " for \"" + s.current() + "\"");
          }
          break;
        }
        default: {
          uint8_t v = s.readUInt8();
          int64_t expected = 0;
          if (!parseNumber(s.current(), expected) || expected != v) {
            violation("readUInt8 gave " + std::to_string(v) + " for \"" + s.current() + "\"");
          }
          break;
        }
      }
    } catch (const sc::PlatformFailure& f) {
      if (f.place().file != "fuzz.txt") violation("a failure without the text's name");
      if (std::string(f.what()).empty()) violation("a failure without a reason");
      break;
    }
    if (atEnd) violation("a read succeeded at the end of the text");
    checkPlace(s, lines);
    // Every read that succeeds consumes at least one character.
    if (reads + 1 > text.size()) violation("more successful reads than characters");
  }
  checkLineOfText(text, lines, s.place().line);
  checkLineOfText(text, lines, static_cast<int32_t>(lines.start.size()) + 1);
  return 0;
}
