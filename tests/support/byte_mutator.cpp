#include "support/byte_mutator.h"

#include <utility>

namespace kelvane::testing {

// A std::string literal keeps the NUL inside it.
const char kTextAlphabet[] = "\r\n\t =:;,.\"'\\/[]{}+-0123456789xeE\x7f\x80\xff";

ByteMutator::ByteMutator(uint32_t seed, std::vector<std::string> seeds, std::string alphabet, MutatorOptions options)
    : random_(seed), seeds_(std::move(seeds)), alphabet_(std::move(alphabet)), options_(options) {
  alphabet_.push_back('\0');
}

size_t ByteMutator::Below(size_t bound) { return bound == 0 ? 0 : random_() % bound; }

std::string ByteMutator::Next() {
  const int round = round_++;
  std::string input;
  if (options_.noise_every > 0 && round % options_.noise_every == options_.noise_every - 1) {
    input.resize(Below(options_.max_noise + 1));
    for (char& c : input) c = static_cast<char>(random_());
    return input;
  }
  input = seeds_[static_cast<size_t>(round) % seeds_.size()];
  const size_t edits = 1 + Below(static_cast<size_t>(options_.max_edits));
  for (size_t e = 0; e < edits; ++e) Edit(&input);
  return input;
}

void ByteMutator::Edit(std::string* input) {
  const size_t at = Below(input->size() + 1);  // the end too, so an empty input grows
  const char c = alphabet_[Below(alphabet_.size())];
  switch (random_() % 4) {
    case 0:
      if (at < input->size()) {
        (*input)[at] = c;
        break;
      }
      [[fallthrough]];
    case 1:
      input->insert(at, 1, c);
      break;
    case 2:
      input->erase(at, 1 + Below(options_.max_piece));
      break;
    default:
      if (!input->empty()) {
        const size_t from = Below(input->size());
        input->insert(at, input->substr(from, Below(options_.max_piece + 1)));
      }
      break;
  }
}

}  // namespace kelvane::testing
