// Deterministic benchmark inputs.
#include "BenchData.h"

#include <random>
#include <string>

namespace qx::bench {

const std::vector<unsigned char>& random_bytes() {
  static const std::vector<unsigned char> bytes = [] {
    std::vector<unsigned char> v(kBodySize);
    std::mt19937 rng(51200);
    for (auto& b : v) b = static_cast<unsigned char>(rng());
    return v;
  }();
  return bytes;
}

const std::vector<unsigned char>& record_text() {
  static const std::vector<unsigned char> text = [] {
    static const char* const words[] = {"customer", "invoice", "amount", "date",  "status", "open", "closed", "account",
                                        "name",     "street",  "city",   "total", "tax",    "item", "note"};
    std::mt19937 rng(2026);
    std::string s;
    while (s.size() < kBodySize) {
      s += words[rng() % std::size(words)];
      if (rng() % 3 == 0) {
        s += '=';
        s += std::to_string(rng() % 100000);
      } else {
        s += ';';
      }
      if (rng() % 8 == 0) s += '\n';
    }
    s.resize(kBodySize);
    return std::vector<unsigned char>(s.begin(), s.end());
  }();
  return text;
}

}  // namespace qx::bench
