#include "compiler/code_page.h"

#include <cstdio>

namespace sc {
namespace {

// The characters of bytes 0x80 to 0x9F; 0 where the code page has none.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

char32_t characterOfByte(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : byte;
}

namespace {

int byteOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == c) return 0x80 + i;
  }
  return -1;
}

// Decodes the UTF-8 character at s[i]: its length in bytes, 0 when the bytes there are not
// UTF-8 (overlong forms and surrogates included).
size_t decode(std::string_view s, size_t i, char32_t& cp) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = c < 0x80             ? 0
             : (c & 0xE0) == 0xC0 ? 1
             : (c & 0xF0) == 0xE0 ? 2
             : (c & 0xF8) == 0xF0 ? 3
                                  : 4;
  if (n == 4) return 0;
  cp = n == 0 ? c : n == 1 ? (c & 0x1F) : n == 2 ? (c & 0x0F) : (c & 0x07);
  for (size_t k = 1; k <= n; ++k) {
    if (i + k >= s.size()) return 0;
    unsigned char t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (t & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n + 1;
}

}  // namespace

bool looksUtf8(std::string_view text) {
  bool beyondAscii = false;
  for (size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    size_t n = decode(text, i, cp);
    if (n == 0) return false;
    if (n > 1) beyondAscii = true;
    i += n;
  }
  return beyondAscii;
}

CodePageText utf8ToCodePage(std::string_view s) {
  CodePageText out;
  int32_t line = 1;
  size_t lineStart = 0;
  auto fail = [&](size_t at, std::string why) {
    out.problem = std::move(why);
    out.line = line;
    out.column = static_cast<int32_t>(at - lineStart) + 1;
    out.bytes.clear();
    return out;
  };
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '\n' || (c == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n'))) {
      out.bytes += static_cast<char>(c);
      ++i;
      ++line;
      lineStart = i;
      continue;
    }
    char32_t cp = 0;
    size_t n = decode(s, i, cp);
    if (n == 0) return fail(i, "the bytes are not UTF-8");
    int b = byteOf(cp);
    if (b < 0) {
      char name[16];
      std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(cp));
      return fail(i, "the character " + std::string(s.substr(i, n)) + " (" + name +
                         ") has no byte in Windows-1252");
    }
    out.bytes += static_cast<char>(b);
    i += n;
  }
  return out;
}

std::string utf8FromCodePage(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) {
    // The five bytes the code page leaves undefined show as the replacement character.
    uint32_t cp = characterOfByte(c);
    if (cp == 0 && c != 0) cp = 0xFFFD;
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace sc
