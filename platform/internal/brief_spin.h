// A short spin before a thread sleeps.
//
// Two device threads that hand work back and forth (a port's writer and
// reader) mostly wait a microsecond or two for each other. Putting a thread
// to sleep and waking it costs far more than that on the host, so waits and
// critical sections first spin briefly on the condition that ends them. On a
// host with one processor the other thread cannot run meanwhile, and nothing
// spins.
#ifndef KELVANE_PLATFORM_BRIEF_SPIN_H
#define KELVANE_PLATFORM_BRIEF_SPIN_H

#include <chrono>
#include <thread>

namespace kelvane {

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

// Tests `done` until it holds (true), `limit` has passed, or `deadline`
// comes (false). The clock is read only every few tests.
template <class Done>
bool SpinBriefly(Done done, std::chrono::microseconds limit,
                 std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max()) {
  static const bool worth_spinning = std::thread::hardware_concurrency() > 1;
  if (!worth_spinning) return false;
  const auto now = std::chrono::steady_clock::now();
  const auto end = deadline - now < limit ? deadline : now + limit;
  for (;;) {
    for (int i = 0; i < 32; ++i) {
      if (done()) return true;
      CpuRelax();
    }
    if (std::chrono::steady_clock::now() >= end) return false;
  }
}

}  // namespace kelvane

#endif
