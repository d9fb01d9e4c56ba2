// The table of numbered contexts: a short list (a port has at most three
// contexts) behind a lock word. The lock is an interlocked spin lock rather
// than a critical section because the library does no start-up work: there is
// nothing to initialise, and it is held for a few instructions only.
#include "context_table.h"

namespace tavrel {
namespace {

LONG g_lock = 0;
Counted* g_published = nullptr;
DWORD g_last_number = 0;

class TableLock {
 public:
  TableLock() {
    while (InterlockedExchange(&g_lock, 1) != 0) Sleep(0);
  }
  ~TableLock() { InterlockedExchange(&g_lock, 0); }
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;
};

// Called with the table's lock held.
bool NumberInUse(DWORD number) {
  for (Counted* c = g_published; c; c = c->next)
    if (c->number == number) return true;
  return false;
}

}  // namespace

DWORD Publish(Counted* context, ContextKind kind, void (*destroy)(Counted*)) {
  TableLock lock;
  // Numbers are not reused while published, and not soon after: the counter
  // runs through all 2^32 - 1 values before it comes back.
  do {
    ++g_last_number;
  } while (g_last_number == 0 || NumberInUse(g_last_number));
  context->number = g_last_number;
  context->kind = kind;
  context->pins = 1;
  context->published = TRUE;
  context->destroy = destroy;
  context->next = g_published;
  g_published = context;
  return context->number;
}

Counted* Pin(DWORD number, ContextKind kind) {
  TableLock lock;
  for (Counted* c = g_published; c; c = c->next) {
    if (c->number != number) continue;
    if (c->kind != kind) return nullptr;
    ++c->pins;
    return c;
  }
  return nullptr;
}

void AddPin(Counted* context) {
  TableLock lock;
  ++context->pins;
}

BOOL Retire(Counted* context) {
  TableLock lock;
  if (!context->published) return FALSE;
  for (Counted** link = &g_published; *link; link = &(*link)->next) {
    if (*link == context) {
      *link = context->next;
      break;
    }
  }
  context->published = FALSE;
  context->next = nullptr;
  return TRUE;
}

void Unpin(Counted* context) {
  bool last;
  {
    TableLock lock;
    last = --context->pins == 0;
  }
  if (last) context->destroy(context);
}

}  // namespace tavrel
