// The virtual serial port against a Linux pseudo-terminal pair, measured in
// the same run:
//   throughput: 1 MiB written in 256-byte writes while a thread reads it;
//   latency: a one-byte ping answered by an echo thread (the time of one
//   write-to-read wake-up each way).
// Goal: at least the pseudo-terminal's throughput, at most its latency.
#include "ratio_reporter.h"

#include <windows.h>
#include <pegdser.h>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

const size_t kTotal = 1 << 20;
const size_t kChunk = 256;
const size_t kReadSize = 4096;
const char kStop = '\xff';

// Two ends of a byte pipe, whichever kind.
class Link {
 public:
  virtual ~Link() = default;
  // Blocking transfer on end 0 or 1; returns the bytes moved.
  virtual size_t Write(int end, const char* bytes, size_t n) = 0;
  virtual size_t Read(int end, char* bytes, size_t n) = 0;
};

class TavrelLink : public Link {
 public:
  TavrelLink() {
    module_ = LoadLibraryW(L"Tavrel.dll");
    if (!module_) Die("Tavrel.dll does not load");
    init_ = reinterpret_cast<DWORD (*)(LPCTSTR, LPCVOID)>(GetProcAddressW(module_, L"COM_Init"));
    deinit_ = reinterpret_cast<BOOL (*)(DWORD)>(GetProcAddressW(module_, L"COM_Deinit"));
    open_ = reinterpret_cast<DWORD (*)(DWORD, DWORD, DWORD)>(GetProcAddressW(module_, L"COM_Open"));
    read_ = reinterpret_cast<DWORD (*)(DWORD, LPVOID, DWORD)>(GetProcAddressW(module_, L"COM_Read"));
    write_ = reinterpret_cast<DWORD (*)(DWORD, LPCVOID, DWORD)>(GetProcAddressW(module_, L"COM_Write"));
    auto ioctl = reinterpret_cast<BOOL (*)(DWORD, DWORD, PBYTE, DWORD, PBYTE, DWORD, PDWORD)>(
        GetProcAddressW(module_, L"COM_IOControl"));
    if (!init_ || !deinit_ || !open_ || !read_ || !write_ || !ioctl) Die("Tavrel.dll lacks an export");
    device_ = init_(L"Drivers\\Active\\1", nullptr);
    for (DWORD& end : ends_) {
      end = open_(device_, 0, 0);
      // Reads wait for data without limit, as a reading program sets it.
      COMMTIMEOUTS t = {0, 0, 0, 0, 0};
      if (!end || !ioctl(end, IOCTL_SERIAL_SET_TIMEOUTS, reinterpret_cast<PBYTE>(&t), sizeof(t), nullptr, 0, nullptr))
        Die("the port does not open");
    }
  }
  ~TavrelLink() override {
    deinit_(device_);
    FreeLibrary(module_);
  }
  size_t Write(int end, const char* bytes, size_t n) override {
    const DWORD done = write_(ends_[end], bytes, static_cast<DWORD>(n));
    if (done != n) Die("port write failed");
    return done;
  }
  size_t Read(int end, char* bytes, size_t n) override {
    const DWORD done = read_(ends_[end], bytes, static_cast<DWORD>(n));
    if (done == 0xFFFFFFFF || done == 0) Die("port read failed");
    return done;
  }

 private:
  [[noreturn]] static void Die(const char* what) {
    std::fprintf(stderr, "bench_port: %s (%u)\n", what, GetLastError());
    std::exit(1);
  }
  HMODULE module_;
  DWORD (*init_)(LPCTSTR, LPCVOID);
  BOOL (*deinit_)(DWORD);
  DWORD (*open_)(DWORD, DWORD, DWORD);
  DWORD (*read_)(DWORD, LPVOID, DWORD);
  DWORD (*write_)(DWORD, LPCVOID, DWORD);
  DWORD device_ = 0;
  DWORD ends_[2] = {0, 0};
};

// End 0 is the master, end 1 the slave, in raw mode.
class PtyLink : public Link {
 public:
  PtyLink() {
    if (openpty(&fds_[0], &fds_[1], nullptr, nullptr, nullptr) != 0) Die("openpty");
    termios raw;
    if (tcgetattr(fds_[1], &raw) != 0) Die("tcgetattr");
    cfmakeraw(&raw);
    if (tcsetattr(fds_[1], TCSANOW, &raw) != 0) Die("tcsetattr");
  }
  ~PtyLink() override {
    close(fds_[0]);
    close(fds_[1]);
  }
  size_t Write(int end, const char* bytes, size_t n) override {
    size_t done = 0;
    while (done < n) {
      const ssize_t w = write(fds_[end], bytes + done, n - done);
      if (w <= 0) Die("pty write");
      done += static_cast<size_t>(w);
    }
    return done;
  }
  size_t Read(int end, char* bytes, size_t n) override {
    const ssize_t r = read(fds_[end], bytes, n);
    if (r <= 0) Die("pty read");
    return static_cast<size_t>(r);
  }

 private:
  [[noreturn]] static void Die(const char* what) {
    std::perror(what);
    std::exit(1);
  }
  int fds_[2];
};

template <class L>
void Throughput(benchmark::State& state) {
  L link;
  const std::vector<char> chunk(kChunk, 'n');
  for (auto _ : state) {
    std::thread reader([&] {
      std::vector<char> in(kReadSize);
      for (size_t got = 0; got < kTotal;) got += link.Read(1, in.data(), std::min(kReadSize, kTotal - got));
    });
    for (size_t sent = 0; sent < kTotal; sent += kChunk) link.Write(0, chunk.data(), kChunk);
    reader.join();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kTotal));
}

template <class L>
void Latency(benchmark::State& state) {
  L link;
  std::thread echo([&] {
    char byte = 0;
    do {
      link.Read(1, &byte, 1);
      link.Write(1, &byte, 1);
    } while (byte != kStop);
  });
  char byte = 'p';
  for (auto _ : state) {
    link.Write(0, &byte, 1);
    link.Read(0, &byte, 1);
  }
  const char stop = kStop;
  link.Write(0, &stop, 1);
  link.Read(0, &byte, 1);
  echo.join();
}

BENCHMARK_TEMPLATE(Throughput, TavrelLink)->Name("Throughput/Tavrel")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Throughput, PtyLink)->Name("Throughput/pty")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(Latency, TavrelLink)->Name("RoundTrip/Tavrel")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(Latency, PtyLink)->Name("RoundTrip/pty")->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  kelvane::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  kelvane::bench::PrintRatio(reporter, "throughput", "Throughput/Tavrel", "Throughput/pty", true);
  kelvane::bench::PrintRatio(reporter, "latency", "RoundTrip/Tavrel", "RoundTrip/pty", false);
  benchmark::Shutdown();
  return 0;
}
