// Numbered contexts.
//
// The stream interface passes the device and open contexts back and forth as
// DWORDs, which cannot hold a pointer on a 64-bit host. The driver therefore
// hands out numbers and looks every number up here before it touches
// anything, so a stale or closed number is refused instead of dereferenced.
//
// A looked-up context is pinned. A context leaves the table when it is retired
// (closed, or its device deinitialised) and is destroyed when its last pin
// goes, so a call that was blocked inside the driver while its handle went
// away still finds its memory, its events and its device's lock intact.
//
// Thread safety: every function may be called from any thread. The table's
// own lock is held only inside these functions; Unpin runs `destroy` with no
// lock held, so callers must not hold a device lock when they unpin.
#ifndef TAVREL_CONTEXT_TABLE_H
#define TAVREL_CONTEXT_TABLE_H

#include <windows.h>

namespace tavrel {

enum ContextKind : DWORD { kDeviceKind = 1, kOpenKind = 2 };

// The first member of every numbered context.
struct Counted {
  DWORD number;
  ContextKind kind;
  LONG pins;                   // guarded by the table's lock
  BOOL published;              // guarded by the table's lock
  Counted* next;               // the table's list of published contexts
  void (*destroy)(Counted*);  // frees the context once no pin is left
};

// Enters the context into the table with one pin that belongs to the table,
// and returns its number (never 0).
DWORD Publish(Counted* context, ContextKind kind, void (*destroy)(Counted*));
// The published context with this number and kind, pinned; null when there is
// none (the caller reports ERROR_INVALID_HANDLE).
Counted* Pin(DWORD number, ContextKind kind);
// One more pin on a context the caller already pins.
void AddPin(Counted* context);
// Takes the context out of the table; the table's pin passes to the caller,
// who drops it with Unpin. FALSE (and no pin) when it was already retired.
BOOL Retire(Counted* context);
// Drops one pin; the last one destroys the context.
void Unpin(Counted* context);

}  // namespace tavrel

#endif
