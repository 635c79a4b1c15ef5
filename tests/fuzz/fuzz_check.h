// What every fuzz target shares: the entry point's signature, a check that
// stops the run with a message (libFuzzer then saves the input), and a
// reader that cuts one input into several parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define LH_FUZZ_CHECK(cond, what)                                                         \
  do {                                                                                    \
    if (!(cond)) {                                                                        \
      std::fprintf(stderr, "fuzz check failed at %s:%d: %s\n", __FILE__, __LINE__, what); \
      std::abort();                                                                       \
    }                                                                                     \
  } while (0)

namespace lh::fuzz {

// The input, taken apart front to back: a byte at a time for choices, and
// parts that end at a separator byte (the last part runs to the end).
struct Input {
  std::string_view rest;

  Input(const uint8_t* data, size_t size) : rest(reinterpret_cast<const char*>(data), size) {}

  bool empty() const { return rest.empty(); }

  uint8_t byte() {
    if (rest.empty()) return 0;
    auto b = static_cast<uint8_t>(rest[0]);
    rest.remove_prefix(1);
    return b;
  }

  std::string_view part(char separator) {
    size_t at = rest.find(separator);
    std::string_view out = rest.substr(0, at);
    rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + 1);
    return out;
  }
};

}  // namespace lh::fuzz
