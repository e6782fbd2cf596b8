// The D2XX calls our D2XX backend binds, over the same emulated bus. A
// dual-channel chip is listed as two devices, described "<product> A" and
// "<product> B" with serial numbers "<serial>A" and "<serial>B", as FTDI's
// library lists them. Like that library's driver, the host side keeps
// polling an open channel, so data reach its receive buffer at the chip's
// latency-timer pace; reads wait for them up to the read time-out.
// FT_STATUS and the handle are as the Linux D2XX headers define them
// (unsigned long status, 32-bit DWORD).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "EmulatedBus.h"
#include "EmulationOptions.h"
#include "VirtualTime.h"

using velmar::usbemu::EmulatedBus;
using velmar::usbemu::EmulatedChip;
using velmar::usbemu::UsbResult;

namespace {

using Status = unsigned long;
using Dword = unsigned int;

enum : Status {
  kOk = 0,
  kInvalidHandle = 1,
  kDeviceNotFound = 2,
  kDeviceNotOpened = 3,
  kIoError = 4,
  kInvalidParameter = 6,
  kEepromReadFailed = 11,
  kInvalidArgs = 16,
};

constexpr Dword kListNumberOnly = 0x80000000u;
constexpr Dword kListByIndex = 0x40000000u;
constexpr Dword kOpenBySerial = 1;
constexpr Dword kOpenByDescription = 2;
constexpr Dword kOpenByLocation = 4;

// A chip's location id, as FTDI's library gives it: hexadecimal digits of
// the bus and the port (bus 1, root port P: 0x1P). Both channels share it;
// opening by it opens channel A, the programmer's.
Dword LocationId(EmulatedChip* c) { return Dword(0x10 | (EmulatedBus::Get().PortOf(c) & 0xF)); }
constexpr int kTransferSize = 4096;
// A read without a time-out that never gets its bytes would hang for ever;
// the emulation gives up after this much virtual time and says so.
constexpr std::uint64_t kEndlessReadUs = 60'000'000;

struct Handle {
  EmulatedChip* chip;
  int channel;
  std::deque<std::uint8_t> host;
  Dword readTimeoutMs = 0;
  bool cycled = false;
};

std::map<Handle*, std::unique_ptr<Handle>>& Handles() {
  static std::map<Handle*, std::unique_ptr<Handle>> h;
  return h;
}

std::unique_lock<std::recursive_mutex> Lock() {
  return std::unique_lock<std::recursive_mutex>(velmar::usbemu::EmulationLock());
}

std::string ListSerial(EmulatedChip* c, int channel) { return c->Serial() + (channel ? "B" : "A"); }
std::string ListDescription(EmulatedChip* c, int channel) { return c->Description() + (channel ? " B" : " A"); }

Handle* Find(void* h) {
  auto it = Handles().find(static_cast<Handle*>(h));
  return it == Handles().end() ? nullptr : it->second.get();
}

// The channel is there for a call that reaches it (which counts towards an unplug).
bool Present(const Handle& h) {
  auto chips = EmulatedBus::Get().Chips();
  return !h.cycled && std::find(chips.begin(), chips.end(), h.chip) != chips.end() && velmar::usbemu::ReachDevice();
}

// One poll of the channel's IN endpoint; the payload goes to the host buffer.
UsbResult Poll(Handle& h, std::uint64_t timeoutUs, bool readyOnly) {
  std::uint8_t buffer[kTransferSize];
  int got = 0;
  UsbResult r = h.chip->Channel(h.channel).BulkIn(buffer, kTransferSize, got, timeoutUs, readyOnly, true);
  const int packet = h.chip->PacketSize();
  for (int at = 0; at < got; at += packet) {
    const int end = std::min(got, at + packet);
    h.host.insert(h.host.end(), buffer + at + 2, buffer + end);
  }
  return r;
}

}  // namespace

extern "C" {

#ifdef _WIN32
#define EXPORT __declspec(dllexport)
#else
#define EXPORT __attribute__((visibility("default")))
#endif

EXPORT Status FT_ListDevices(void* arg1, void* arg2, Dword flags) {
  auto lock = Lock();
  auto chips = EmulatedBus::Get().Chips();
  const Dword channels = Dword(chips.size() * 2);
  if (flags & kListNumberOnly) {
    if (!arg1) return kInvalidParameter;
    *static_cast<Dword*>(arg1) = channels;
    return kOk;
  }
  if (flags & kListByIndex) {
    const auto index = Dword(reinterpret_cast<std::uintptr_t>(arg1));
    if (index >= channels || !arg2) return kDeviceNotFound;
    EmulatedChip* c = chips[index / 2];
    if (flags & kOpenByLocation) {
      *static_cast<Dword*>(arg2) = LocationId(c);
      return kOk;
    }
    if (EmulatedBus::Get().Fault("strings")) return kDeviceNotFound;
    std::string text =
        (flags & kOpenByDescription) ? ListDescription(c, int(index % 2)) : ListSerial(c, int(index % 2));
    std::memcpy(arg2, text.c_str(), text.size() + 1);
    return kOk;
  }
  return kInvalidArgs;
}

EXPORT Status FT_OpenEx(void* arg, Dword flags, void** handle) {
  auto lock = Lock();
  if (!handle || !arg) return kInvalidParameter;
  *handle = nullptr;
  // Anything else is not emulated; say so rather than take the argument
  // for a serial number.
  if (flags != kOpenBySerial && flags != kOpenByDescription && flags != kOpenByLocation) return kInvalidParameter;
  const bool byLocation = flags == kOpenByLocation;
  const std::string wanted = byLocation ? std::string() : static_cast<const char*>(arg);
  const Dword wantedLocation = byLocation ? Dword(reinterpret_cast<std::uintptr_t>(arg)) : 0;
  for (EmulatedChip* c : EmulatedBus::Get().Chips()) {
    for (int channel = 0; channel < (byLocation ? 1 : 2); ++channel) {
      if (byLocation ? LocationId(c) != wantedLocation
                     : (flags == kOpenByDescription ? ListDescription(c, channel) : ListSerial(c, channel)) != wanted)
        continue;
      EmulatedBus::Get().MarkUsed(c);
      for (auto& [key, h] : Handles())
        if (h->chip == c && h->channel == channel) return kDeviceNotOpened;
      if (EmulatedBus::Get().Fault("open-denied") || EmulatedBus::Get().Fault("claimed") ||
          EmulatedBus::Get().Fault("kernel-driver") || EmulatedBus::Get().Fault("kernel-driver-stuck"))
        return kDeviceNotOpened;
      // The driver resets the channel and purges both ways on open.
      c->ChargeControl();
      c->Channel(channel).Reset();
      c->ChargeControl();
      if (!velmar::usbemu::ReachDevice()) return kDeviceNotFound;
      ++velmar::usbemu::Account().openHandles;
      auto h = std::make_unique<Handle>(Handle{c, channel, {}, 0, false});
      Handle* raw = h.get();
      Handles()[raw] = std::move(h);
      *handle = raw;
      return kOk;
    }
  }
  return kDeviceNotFound;
}

EXPORT Status FT_Close(void* handle) {
  auto lock = Lock();
  Handle* h = Find(handle);
  if (!h) return kInvalidHandle;
  // As FTDI's library does: the chip is not touched, the channel stays in
  // the mode and with the line levels it had.
  Handles().erase(h);
  --velmar::usbemu::Account().openHandles;
  EmulatedBus::Get().Save();
  return kOk;
}

EXPORT Status FT_SetTimeouts(void* handle, Dword readMs, Dword) {
  auto lock = Lock();
  Handle* h = Find(handle);
  if (!h) return kInvalidHandle;
  h->readTimeoutMs = readMs;
  return kOk;
}

EXPORT Status FT_Write(void* handle, void* buffer, Dword count, Dword* written) {
  auto lock = Lock();
  Handle* h = Find(handle);
  if (!h) return kInvalidHandle;
  if (written) *written = 0;
  if (!Present(*h)) return kIoError;
  // The driver keeps reading the channel: what the chip clocks in moves to
  // the host buffer, so the chip's buffers always make room again.
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  std::size_t sent = 0;
  while (sent < count) {
    std::size_t taken = 0;
    const UsbResult r = h->chip->Channel(h->channel).BulkOut(bytes + sent, count - sent, taken);
    sent += taken;
    if (r == UsbResult::ok) break;
    const std::size_t before = h->host.size();
    Poll(*h, kEndlessReadUs, false);
    if (taken == 0 && h->host.size() == before) break;  // no room will come
  }
  if (written) *written = Dword(sent);
  return sent == count ? kOk : kIoError;
}

EXPORT Status FT_Read(void* handle, void* buffer, Dword count, Dword* got) {
  auto lock = Lock();
  Handle* h = Find(handle);
  if (!h) return kInvalidHandle;
  if (got) *got = 0;
  if (!Present(*h)) return kIoError;
  const std::uint64_t limit = h->readTimeoutMs ? std::uint64_t(h->readTimeoutMs) * 1000 : kEndlessReadUs;
  const std::uint64_t deadline = velmar::usbemu::NowUs() + limit;
  while (h->host.size() < count) {
    const std::uint64_t now = velmar::usbemu::NowUs();
    if (now >= deadline) break;
    Poll(*h, deadline - now, false);
  }
  if (h->host.size() < count && !h->readTimeoutMs)
    std::fprintf(stderr, "USB emulation: FT_Read without a time-out would wait for ever\n");
  const Dword n = Dword(std::min<std::size_t>(count, h->host.size()));
  std::copy_n(h->host.begin(), n, static_cast<std::uint8_t*>(buffer));
  h->host.erase(h->host.begin(), h->host.begin() + n);
  if (got) *got = n;
  return kOk;
}

EXPORT Status FT_GetQueueStatus(void* handle, Dword* rx) {
  auto lock = Lock();
  Handle* h = Find(handle);
  if (!h) return kInvalidHandle;
  if (!rx) return kInvalidParameter;
  *rx = 0;
  if (!Present(*h)) return kIoError;
  Poll(*h, 0, true);  // what the driver's background polling has received by now
  *rx = Dword(h->host.size());
  return kOk;
}

#ifndef VELMAR_D2XX_WITHOUT_CYCLEPORT
EXPORT Status FT_CyclePort(void* handle) {
  auto lock = Lock();
  Handle* h = Find(handle);
  if (!h) return kInvalidHandle;
  if (!Present(*h)) return kIoError;
  // The device leaves the bus and comes back: the handle is spent.
  h->chip->ChargeControl();
  h->chip->PowerOn();
  h->cycled = true;
  return kOk;
}
#endif

EXPORT Status FT_EE_UARead(void* handle, unsigned char* data, Dword size, Dword* got) {
  auto lock = Lock();
  Handle* h = Find(handle);
  if (!h) return kInvalidHandle;
  if (got) *got = 0;
  if (!Present(*h)) return kIoError;
  const auto& image = h->chip->Eeprom();
  for (std::size_t w = 0; w < image.size() / 2; ++w) h->chip->ChargeControl();
  if (EmulatedBus::Get().Fault("eeprom")) return kEepromReadFailed;
  const std::size_t start = velmar::usbemu::UserAreaStart(image);
  const std::size_t area = velmar::usbemu::UserAreaSize(image, h->chip->Type());
  const Dword n = Dword(std::min<std::size_t>(size, area));
  std::copy_n(image.begin() + std::ptrdiff_t(start), n, data);
  if (got) *got = n;
  return kOk;
}

EXPORT Status FT_SetLatencyTimer(void* handle, unsigned char ms) {
  auto lock = Lock();
  Handle* h = Find(handle);
  if (!h) return kInvalidHandle;
  if (!Present(*h)) return kIoError;
  int ignored = 0;
  UsbResult r = h->chip->Control(0x40, 0x09, ms, std::uint16_t(h->channel + 1), nullptr, 0, ignored);
  return r == UsbResult::ok ? kOk : kInvalidParameter;
}

EXPORT Status FT_GetLatencyTimer(void* handle, unsigned char* ms) {
  auto lock = Lock();
  Handle* h = Find(handle);
  if (!h) return kInvalidHandle;
  *ms = h->chip->Channel(h->channel).latencyMs;
  return kOk;
}

EXPORT Status FT_SetBitMode(void* handle, unsigned char mask, unsigned char mode) {
  auto lock = Lock();
  Handle* h = Find(handle);
  if (!h) return kInvalidHandle;
  if (!Present(*h)) return kIoError;
  int ignored = 0;
  UsbResult r =
      h->chip->Control(0x40, 0x0B, std::uint16_t(mask | mode << 8), std::uint16_t(h->channel + 1), nullptr, 0, ignored);
  return r == UsbResult::ok ? kOk : kIoError;
}

EXPORT Status FT_Purge(void* handle, Dword mask) {
  auto lock = Lock();
  Handle* h = Find(handle);
  if (!h) return kInvalidHandle;
  if (!Present(*h)) return kIoError;
  h->chip->ChargeControl();
  if (mask & 1) {  // FT_PURGE_RX: what waits to go to the host
    h->host.clear();
    h->chip->Channel(h->channel).PurgeToHost();
  }
  if (mask & 2) h->chip->Channel(h->channel).PurgeFromHost();  // FT_PURGE_TX
  return kOk;
}

EXPORT Status FT_ResetDevice(void* handle) {
  auto lock = Lock();
  Handle* h = Find(handle);
  if (!h) return kInvalidHandle;
  if (!Present(*h)) return kIoError;
  h->chip->ChargeControl();
  h->chip->Channel(h->channel).Reset();
  return kOk;
}

}  // extern "C"
