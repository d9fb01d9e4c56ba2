// The GPS Intermediate Driver's service thread.
#include "gpsid/gps_intermediate_driver.h"

#include "devmgr/bridge.h"
#include "gpsid/driver_file.h"
#include "gpsid/driver_settings.h"
#include "gpsid/gps_port.h"
#include "internal/device_clock.h"
#include "internal/device_root.h"
#include "internal/profile_value.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace kelvane {
namespace {

// How often the current driver's file is read, in device ms.
const DWORD kReadingPeriod = 1000;

class Service {
 public:
  Service(std::wstring name, std::shared_ptr<GpsPort> port) : name_(std::move(name)), port_(std::move(port)) {
    thread_ = std::thread(&Service::Run, this);
  }

  void Stop() {
    UnregisterDeviceName(name_, port_.get());
    {
      std::lock_guard<std::mutex> guard(lock_);
      stopping_ = true;
      wake_.notify_all();
    }
    thread_.join();
    // The link goes before the lock is let go, so the next owner's stays.
    if (bridged_) StopBridge(name_);
    if (owner_lock_ >= 0) close(owner_lock_);
    port_->Shut();
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(lock_);
    while (!stopping_) {
      lock.unlock();
      TakeOverBridge();
      ReadCurrentFile();
      lock.lock();
      wake_.wait_until(lock, HostDeadline(kReadingPeriod), [this] { return stopping_; });
    }
  }

  // The port is bridged from the start of the service, so host programs can
  // read it before any program on the device opened it; by one process of the
  // device at a time, the holder of the lock file.
  void TakeOverBridge() {
    if (bridged_) return;
    if (owner_lock_ < 0)
      owner_lock_ = open((DeviceRoot() / "gpsid.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (owner_lock_ < 0 || flock(owner_lock_, LOCK_EX | LOCK_NB) != 0) return;
    StartBridgeIfListed(name_);
    bridged_ = true;
  }

  void ReadCurrentFile() {
    std::wstring path;
    std::string problem;
    if (CurrentDriverFile(&path)) {
      DriverFileReading reading = ReadDriverFile(path);
      for (const std::string& line : reading.lines) port_->Offer(line);
      if (!reading.problem.empty()) problem = Narrow(path) + " " + reading.problem;
    }
    // Once per problem, not once a second.
    if (!problem.empty() && problem != last_problem_)
      std::fprintf(stderr, "device: GPS Intermediate Driver: the file %s\n", problem.c_str());
    last_problem_ = problem;
  }

  const std::wstring name_;
  const std::shared_ptr<GpsPort> port_;
  std::mutex lock_;  // guards stopping_
  std::condition_variable wake_;
  bool stopping_ = false;
  // The service thread's own until Stop has joined it.
  int owner_lock_ = -1;
  bool bridged_ = false;
  std::string last_problem_;
  std::thread thread_;
};

struct ServiceSlot {
  std::mutex lock;
  std::unique_ptr<Service> service;
};

ServiceSlot& Slot() {
  static ServiceSlot* slot = new ServiceSlot;  // outlives static destructors
  return *slot;
}

// The port's name from the profile, or "" when the device has no driver.
std::wstring PortName() {
  const Json::Value& settings = MemberOf(Profile(), "gpsIntermediateDriver");
  if (settings.isNull()) return L"";
  const Json::Value& port = MemberOf(settings, "port");
  const std::string name = port.isNull() ? "GPD0:" : port.isString() ? port.asString() : "";
  if (!settings.isObject() || name.size() < 2 || name.back() != ':') {
    std::fprintf(stderr,
                 "device: \"gpsIntermediateDriver\" is not {\"port\": \"NAMEn:\"}; the device has no GPS "
                 "Intermediate Driver\n");
    return L"";
  }
  return Widen(name);
}

}  // namespace

std::pair<std::wstring, NamedDevicePtr> StartGpsIntermediateDriver() {
  const std::wstring name = PortName();
  if (name.empty()) return {};
  auto port = std::make_shared<GpsPort>();
  {
    ServiceSlot& slot = Slot();
    std::lock_guard<std::mutex> guard(slot.lock);
    slot.service = std::make_unique<Service>(name, port);
  }
  std::atexit(StopGpsIntermediateDriver);
  return {name, port};
}

void StopGpsIntermediateDriver() {
  std::unique_ptr<Service> service;
  {
    ServiceSlot& slot = Slot();
    std::lock_guard<std::mutex> guard(slot.lock);
    service = std::move(slot.service);
  }
  if (service) service->Stop();
}

}  // namespace kelvane
