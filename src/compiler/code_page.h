// The system's 8-bit code page, Windows-1252: conversion of UTF-8 texts into it, and of its
// bytes back to UTF-8 for showing them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sc {

struct CodePageText {
  std::string bytes;    // the text in Windows-1252, when problem is empty
  std::string problem;  // why the text cannot be converted
  int32_t line = 0;     // where (from 1), when it cannot
  int32_t column = 0;
};

// The character of a Windows-1252 byte; 0 for the five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D).
char32_t characterOfByte(unsigned char byte);

// Whether a text's bytes form UTF-8 with at least one character beyond ASCII.
bool looksUtf8(std::string_view text);

// Converts a UTF-8 text to Windows-1252. A byte sequence that is not UTF-8, or a character
// that has no byte in the code page, is a problem at its line and column.
CodePageText utf8ToCodePage(std::string_view utf8);

// Bytes of the code page as UTF-8; bytes the code page leaves undefined become U+FFFD.
std::string utf8FromCodePage(std::string_view bytes);

}  // namespace sc
