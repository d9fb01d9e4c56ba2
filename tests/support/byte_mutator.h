// Garbled input for bounded fuzz runs: each call of Next takes one of the
// seeds in turn and applies a few random edits (replace, insert, erase or
// duplicate a piece), drawing new bytes from an alphabet of bytes the parser
// under test cares about. Every so often it gives pure noise instead.
//
// Deterministic: the same seed number, seeds and options give the same
// sequence, so a failing round can be replayed. Not thread-safe.
#ifndef KELVANE_TESTS_SUPPORT_BYTE_MUTATOR_H
#define KELVANE_TESTS_SUPPORT_BYTE_MUTATOR_H

#include <stdint.h>

#include <random>
#include <string>
#include <vector>

namespace kelvane::testing {

struct MutatorOptions {
  int max_edits = 6;          // 1 to max_edits edits per input
  size_t max_piece = 32;      // longest piece erased or duplicated
  int noise_every = 10;       // every n-th input is noise; 0: never
  size_t max_noise = 300;     // longest noise input
};

class ByteMutator {
 public:
  // seeds must not be empty; NUL is always added to the alphabet.
  ByteMutator(uint32_t seed, std::vector<std::string> seeds, std::string alphabet, MutatorOptions options = {});

  std::string Next();
  // The generator, for choices a test makes about an input (cut points).
  std::mt19937& random() { return random_; }
  // Number of inputs given so far.
  int round() const { return round_; }
  // A number in [0, bound); 0 when bound is 0.
  size_t Below(size_t bound);

 private:
  void Edit(std::string* input);

  std::mt19937 random_;
  std::vector<std::string> seeds_;
  std::string alphabet_;
  MutatorOptions options_;
  int round_ = 0;
};

// Bytes most parsers of text care about: line ends, separators, digits,
// signs, NUL, DEL and high bytes.
extern const char kTextAlphabet[];

}  // namespace kelvane::testing

#endif
