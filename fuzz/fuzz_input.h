// Reads typed values from a fuzzer's input bytes.  Every read succeeds: past
// the end of the input it yields zeros, so a short input still describes a
// complete (default-leaning) case and the fuzzer can grow it byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace vantor::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return pos_ >= size_; }
  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }

  template <class T>
  T raw() {
    unsigned char buffer[sizeof(T)] = {};
    for (unsigned char& b : buffer) b = byte();
    T value;
    std::memcpy(&value, buffer, sizeof(T));
    return value;
  }

  // Up to max_length bytes as text (the length is the next byte, capped).
  std::string text(std::size_t max_length) {
    const std::size_t length = byte() % (max_length + 1);
    std::string s;
    for (std::size_t i = 0; i < length && !empty(); ++i) s.push_back(static_cast<char>(byte()));
    return s;
  }

  // The rest of the input as text.
  std::string_view rest() {
    const std::string_view v(reinterpret_cast<const char*>(data_ + pos_), empty() ? 0 : size_ - pos_);
    pos_ = size_;
    return v;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A failed invariant: reported, then abort, which the fuzzer records as a
// crash together with the input.
[[noreturn]] inline void invariant_failed(const char* file, int line, const char* cond, const std::string& detail) {
  std::fprintf(stderr, "%s:%d: invariant failed: %s\n  %s\n", file, line, cond, detail.c_str());
  std::abort();
}

}  // namespace vantor::fuzz

// An expression: detail (text) is evaluated only when cond fails.
#define FUZZ_CHECK(cond, detail) ((cond) ? void() : ::vantor::fuzz::invariant_failed(__FILE__, __LINE__, #cond, detail))
