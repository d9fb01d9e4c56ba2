#include "core/flags.h"

#include "core/app_state.h"

namespace {

// Applies change to the flag word with a compare-exchange loop; returns the new word.
template <class Change>
DWORD Update(Change change) {
  LONG volatile& word = GetAppState().flags;
  for (;;) {
    const LONG old_word = InterlockedCompareExchange(&word, 0, 0);
    const LONG new_word = static_cast<LONG>(change(static_cast<DWORD>(old_word)));
    if (InterlockedCompareExchange(&word, new_word, old_word) == old_word) return static_cast<DWORD>(new_word);
  }
}

}  // namespace

bool TestFlag(DWORD mask) {
  return (static_cast<DWORD>(InterlockedCompareExchange(&GetAppState().flags, 0, 0)) & mask) != 0;
}

void SetFlag(DWORD mask) {
  Update([mask](DWORD w) { return w | mask; });
}

void ClearFlag(DWORD mask) {
  Update([mask](DWORD w) { return w & ~mask; });
}

DWORD ToggleFlag(DWORD mask) {
  return Update([mask](DWORD w) { return w ^ mask; });
}
