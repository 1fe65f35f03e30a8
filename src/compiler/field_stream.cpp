#include "compiler/field_stream.h"

#include <algorithm>
#include <limits>

namespace sc {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// No number field of a source text is longer; a longer one is refused before it is copied.
constexpr size_t kMaxNumberChars = 64;

// A field as a message shows it: cut after 40 bytes.
std::string shown(const std::string& field) {
  return field.size() <= 40 ? field : field.substr(0, 40) + "...";
}

}  // namespace

FieldStream::FieldStream(std::string label, std::string content) : text_(std::move(content)) {
  place_.file = std::move(label);
}

void FieldStream::fail(const std::string& what) const {
  throw PlatformFailure(what, place_);
}

void FieldStream::skipBlanks() {
  while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
}

bool FieldStream::atLineEnd() const {
  return pos_ < text_.size() && isLineEnd(text_[pos_]);
}

void FieldStream::consumeLineEnd() {
  if (pos_ >= text_.size()) return;
  if (text_[pos_] == '\r') {
    ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  } else if (text_[pos_] == '\n') {
    ++pos_;
  } else {
    return;
  }
  ++lineNo_;
  lineStart_ = pos_;
}

void FieldStream::beginField() {
  if (atEnd()) {
    place_.line = lineNo_;
    place_.column = static_cast<int32_t>(pos_ - lineStart_) + 1;
    fail("the end of the text was reached where a field was expected");
  }
  startsLine_ = pos_ == lineStart_;
  skipBlanks();
  place_.line = lineNo_;
  place_.column = static_cast<int32_t>(pos_ - lineStart_) + 1;
  field_.clear();
}

const std::string& FieldStream::readText() {
  beginField();
  size_t begin = pos_;
  while (pos_ < text_.size() && text_[pos_] != ',' && !isLineEnd(text_[pos_])) ++pos_;
  size_t end = pos_;
  while (end > begin && isBlank(text_[end - 1])) --end;
  if (end - begin > kMaxTextBytes) fail("a text field longer than 65535 bytes");
  field_.assign(text_, begin, end - begin);
  if (pos_ < text_.size() && text_[pos_] == ',') {
    ++pos_;
  } else {
    consumeLineEnd();
  }
  return field_;
}

void FieldStream::skipLine() {
  if (pos_ == lineStart_) return;  // the last field ended its line
  while (pos_ < text_.size() && !isLineEnd(text_[pos_])) ++pos_;
  consumeLineEnd();
}

int32_t FieldStream::readNumber() {
  beginField();
  size_t begin = pos_;
  while (pos_ < text_.size() && text_[pos_] != ',' && !isBlank(text_[pos_]) &&
         !isLineEnd(text_[pos_])) {
    ++pos_;
  }
  if (pos_ - begin > kMaxNumberChars) {
    field_.assign(text_, begin, kMaxNumberChars);
    fail("a number field of " + std::to_string(pos_ - begin) + " characters (\"" + shown(field_) +
         "\"); none is longer than " + std::to_string(kMaxNumberChars));
  }
  field_.assign(text_, begin, pos_ - begin);
  // The delimiter: blanks after the number, then a comma or a line end when one follows.
  skipBlanks();
  if (pos_ < text_.size() && text_[pos_] == ',') {
    ++pos_;
  } else {
    consumeLineEnd();
  }

  size_t i = 0;
  bool negative = false;
  if (i < field_.size() && (field_[i] == '+' || field_[i] == '-')) {
    negative = field_[i] == '-';
    ++i;
  }
  if (i == field_.size()) {
    fail(field_.empty() ? "an empty field where a number was expected"
                        : "the field \"" + shown(field_) + "\" holds no number");
  }
  int64_t value = 0;
  for (; i < field_.size(); ++i) {
    char c = field_[i];
    if (c < '0' || c > '9') fail("the field \"" + shown(field_) + "\" holds no number");
    value = value * 10 + (c - '0');
    if (value > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) {
      fail("the number " + shown(field_) + " does not fit in 32 bits");
    }
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min()) {
    fail("the number " + shown(field_) + " does not fit in 32 bits");
  }
  return static_cast<int32_t>(value);
}

int16_t FieldStream::readInt16() {
  return narrow<int16_t>(readNumber(), "the number", place_);
}

uint8_t FieldStream::readUInt8() {
  return narrow<uint8_t>(readNumber(), "the number", place_);
}

std::string_view lineOfText(std::string_view text, int32_t number) {
  if (number < 1) return {};
  size_t p = 0;
  for (int32_t n = 1; n < number; ++n) {
    while (p < text.size() && !isLineEnd(text[p])) ++p;
    if (p >= text.size()) return {};
    if (text[p] == '\r' && p + 1 < text.size() && text[p + 1] == '\n') ++p;
    ++p;
  }
  size_t e = p;
  while (e < text.size() && !isLineEnd(text[e])) ++e;
  return text.substr(p, e - p);
}

char lowerCodePage(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
  switch (u) {
    case 0x8A:
      return static_cast<char>(0x9A);
    case 0x8C:
      return static_cast<char>(0x9C);
    case 0x8E:
      return static_cast<char>(0x9E);
    case 0x9F:
      return static_cast<char>(0xFF);
    default:
      return c;
  }
}

std::string lowerCodePage(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lowerCodePage(c);
  return out;
}

bool containsText(std::string_view field, std::string_view needle) {
  auto it = std::search(field.begin(), field.end(), needle.begin(), needle.end(),
                        [](char a, char b) { return lowerCodePage(a) == lowerCodePage(b); });
  return it != field.end() || needle.empty();
}

bool containsExact(std::string_view field, std::string_view needle) {
  return field.find(needle) != std::string_view::npos;
}

}  // namespace sc
