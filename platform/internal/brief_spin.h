// A short spin before a thread sleeps.
//
// Two device threads that hand work back and forth (a port's writer and
// reader) mostly wait a microsecond or two for each other while both run.
// Putting a thread to sleep and waking it on another processor costs far
// more than that on the host, so waits and critical sections first spin on
// the condition that ends them. A spin only pays while the other thread is
// running: when the processors are busy with other work, spinning takes time
// from the very thread it waits for. So each thread keeps its own spin
// length per kind of wait: a spin that ends the wait doubles the next one, a
// spin that fails halves it, down to a floor. From the floor, every so often
// one long spin looks whether the other thread runs again (two threads that
// both sleep at the floor would otherwise never catch each other spinning).
// On a host with one processor nothing spins.
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

// One thread's spin length for one kind of wait; keep it thread_local.
class SpinBudget {
 public:
  using Clock = std::chrono::steady_clock;

  SpinBudget(std::chrono::microseconds least, std::chrono::microseconds most)
      : least_(least), most_(most), current_(most) {}

  // Tests `done` until it holds (true), or the spin length or `deadline`
  // has passed (false). The clock is read only every few tests.
  template <class Done>
  bool Spin(Done done, Clock::time_point deadline = Clock::time_point::max()) {
    static const bool worth_spinning = std::thread::hardware_concurrency() > 1;
    if (!worth_spinning) return false;
    auto length = current_;
    if (current_ == least_ && ++spins_at_least_ % kProbeEvery == 0) length = most_ * kProbeLength;
    const auto now = Clock::now();
    const auto end = deadline - now < length ? deadline : now + length;
    for (;;) {
      for (int i = 0; i < 32; ++i) {
        if (done()) {
          current_ = current_ * 2 < most_ ? current_ * 2 : most_;
          return true;
        }
        CpuRelax();
      }
      if (Clock::now() >= end) break;
    }
    current_ = current_ / 2 > least_ ? current_ / 2 : least_;
    return false;
  }

 private:
  // Every this many spins at the floor, one spin this many times the longest.
  static constexpr unsigned kProbeEvery = 32;
  static constexpr int kProbeLength = 10;

  const std::chrono::microseconds least_, most_;
  std::chrono::microseconds current_;
  unsigned spins_at_least_ = 0;
};

}  // namespace kelvane

#endif
