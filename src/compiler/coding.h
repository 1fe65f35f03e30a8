// Little-endian encoding of the compiled files: the one place that knows how a number or a
// text becomes bytes.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace sc {

// Stores the N low bytes of v at out, least significant first.
template <size_t N>
inline void storeLittleEndian(char* out, uint64_t v) {
  static_assert(N <= sizeof v);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, &v, N);  // the low N bytes, already in file order
  } else {
    for (size_t i = 0; i < N; ++i) out[i] = static_cast<char>(v >> (8 * i));
  }
}

// The N bytes at in, least significant first, as a number.
template <size_t N>
inline uint64_t loadLittleEndian(const char* in) {
  static_assert(N <= sizeof(uint64_t));
  uint64_t v = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&v, in, N);
  } else {
    for (size_t i = 0; i < N; ++i)
      v |= static_cast<uint64_t>(static_cast<uint8_t>(in[i])) << (8 * i);
  }
  return v;
}

inline uint64_t bitsOf(double v) {
  uint64_t u;
  std::memcpy(&u, &v, sizeof u);
  return u;
}

// Appends fields to a byte buffer.
class ByteWriter {
 public:
  explicit ByteWriter(std::string& out) : out_(out) {}

  void u8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void u16(uint16_t v) { put<2>(v); }
  void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
  void i32(int32_t v) { put<4>(static_cast<uint32_t>(v)); }
  void f64(double v) { put<8>(bitsOf(v)); }
  // A text field: a 16-bit byte length, then the bytes. Texts longer than 65535 bytes never
  // reach the model (the readers refuse them).
  void text(const std::string& s) {
    u16(static_cast<uint16_t>(s.size()));
    out_.append(s);
  }

 private:
  // N bytes of v, least significant first, appended in one go.
  template <size_t N>
  void put(uint64_t v) {
    char bytes[N];
    storeLittleEndian<N>(bytes, v);
    out_.append(bytes, N);
  }

  std::string& out_;
};

// Reads fields from a byte buffer; a read past the end sets the short flag and yields zero.
class ByteReader {
 public:
  explicit ByteReader(std::string_view in) : in_(in) {}

  bool cutShort() const { return short_; }
  size_t offset() const { return pos_; }
  size_t remaining() const { return in_.size() - pos_; }
  bool atEnd() const { return pos_ >= in_.size(); }

  uint8_t u8() {
    if (pos_ >= in_.size()) {
      short_ = true;
      return 0;
    }
    return static_cast<uint8_t>(in_[pos_++]);
  }
  uint16_t u16() {
    uint16_t lo = u8();
    uint16_t hi = u8();
    return static_cast<uint16_t>(lo | (hi << 8));
  }
  int16_t i16() { return static_cast<int16_t>(u16()); }
  int32_t i32() {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(u8()) << (8 * i);
    return static_cast<int32_t>(u);
  }
  double f64() {
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(u8()) << (8 * i);
    double v;
    std::memcpy(&v, &u, sizeof v);
    return v;
  }
  std::string text() {
    uint16_t n = u16();
    if (remaining() < n) {
      short_ = true;
      pos_ = in_.size();
      return {};
    }
    std::string s(in_.substr(pos_, n));
    pos_ += n;
    return s;
  }

 private:
  std::string_view in_;
  size_t pos_ = 0;
  bool short_ = false;
};

}  // namespace sc
