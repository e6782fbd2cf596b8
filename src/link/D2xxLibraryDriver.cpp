// Run-time binding of FTDI's D2XX library. Its integer types differ between
// releases (32 or 64 bits), so every value the library writes back lands in
// a 64-bit variable and only the low 32 bits are used.
#include "link/D2xxLibraryDriver.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "platform/SharedLibrary.h"

namespace velmar::link {

namespace {
using Status = unsigned long;
using Dword = unsigned int;

// The library's file names, the first one named in messages.
#ifdef _WIN32
const char* const kLibraryNames[] = {"ftd2xx.dll"};
constexpr const char* kInstallHint =
    "Install FTDI's D2XX driver for Windows from FTDI, or use --simulate to try Velmar";
#else
const char* const kLibraryNames[] = {"libftd2xx.so", "libftd2xx.so.1"};
constexpr const char* kInstallHint = "Install it from FTDI, or use --driver libftdi";
#endif
}  // namespace

struct D2xxLibraryDriver::Api {
  Status (*ListDevices)(void*, void*, Dword) = nullptr;
  Status (*OpenEx)(void*, Dword, void**) = nullptr;
  Status (*Close)(void*) = nullptr;
  Status (*Read)(void*, void*, Dword, void*) = nullptr;
  Status (*Write)(void*, void*, Dword, void*) = nullptr;
  Status (*GetQueueStatus)(void*, void*) = nullptr;
  Status (*CyclePort)(void*) = nullptr;
  Status (*EE_UARead)(void*, unsigned char*, Dword, void*) = nullptr;
  Status (*SetLatencyTimer)(void*, unsigned char) = nullptr;
  Status (*SetBitMode)(void*, unsigned char, unsigned char) = nullptr;
  Status (*SetTimeouts)(void*, Dword, Dword) = nullptr;
};

namespace {

FT_STATUS S(Status s) { return FT_STATUS(s & 0xFFFFFFFFu); }

// FT_ListDevices and FT_OpenEx by location id.
constexpr Dword kOpenByLocation = 4;

std::unique_ptr<platform::SharedLibrary> OpenLibrary(const std::string& name, std::string& error) {
  std::vector<std::string> names;
  if (!name.empty()) names.push_back(name);
  names.insert(names.end(), std::begin(kLibraryNames), std::end(kLibraryNames));
  auto library = std::make_unique<platform::SharedLibrary>();
  for (const std::string& n : names) {
    std::string why;
    if (library->Open(n, why)) return library;
    if (error.empty()) error = why;
  }
  return nullptr;
}

}  // namespace

D2xxLibraryDriver::D2xxLibraryDriver(const std::string& libraryName, std::uint32_t readTimeoutMs)
    : api_(std::make_unique<Api>()), readTimeoutMs_(readTimeoutMs) {
  std::string error;
  library_ = OpenLibrary(libraryName, error);
  if (!library_) {
    problem_ =
        "FTDI's D2XX driver library (" + LibraryFileName() + ") is not installed: " + error + "\r" + kInstallHint;
    return;
  }
  bool missing = false;
  auto bind = [&](auto& fn, const char* symbol) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(library_->Symbol(symbol));
    if (!fn) missing = true;
  };
  bind(api_->ListDevices, "FT_ListDevices");
  bind(api_->OpenEx, "FT_OpenEx");
  bind(api_->Close, "FT_Close");
  bind(api_->Read, "FT_Read");
  bind(api_->Write, "FT_Write");
  bind(api_->GetQueueStatus, "FT_GetQueueStatus");
  bind(api_->EE_UARead, "FT_EE_UARead");
  bind(api_->SetLatencyTimer, "FT_SetLatencyTimer");
  bind(api_->SetBitMode, "FT_SetBitMode");
  bind(api_->SetTimeouts, "FT_SetTimeouts");
  if (missing)
    problem_ = "The installed " + LibraryFileName() + " lacks functions Velmar needs; install a current D2XX release";
}

D2xxLibraryDriver::~D2xxLibraryDriver() = default;

bool D2xxLibraryDriver::Loadable() {
  std::string error;
  return OpenLibrary({}, error) != nullptr;
}

std::string D2xxLibraryDriver::LibraryFileName() { return kLibraryNames[0]; }

FT_STATUS D2xxLibraryDriver::ListDeviceCount(std::uint32_t& count) {
  count = 0;
  if (!problem_.empty()) return FT_OTHER_ERROR;
  std::uint64_t n = 0;
  FT_STATUS s = S(api_->ListDevices(&n, nullptr, FT_LIST_NUMBER_ONLY));
  count = std::uint32_t(n);
  return s;
}

FT_STATUS D2xxLibraryDriver::ListDeviceByIndex(std::uint32_t index, std::uint32_t what, char* buffer,
                                               std::size_t size) {
  if (!problem_.empty()) return FT_OTHER_ERROR;
  char local[128] = {};
  FT_STATUS s = S(api_->ListDevices(reinterpret_cast<void*>(std::uintptr_t(index)), local, FT_LIST_BY_INDEX | what));
  if (s == FT_OK) CopyListText(std::string(local, strnlen(local, sizeof local)), buffer, size);
  return s;
}

FT_STATUS D2xxLibraryDriver::OpenEx(const char* serial, FT_HANDLE& handle) {
  handle = nullptr;
  if (!problem_.empty()) return FT_OTHER_ERROR;
  void* h = nullptr;
  FT_STATUS s = S(api_->OpenEx(const_cast<char*>(serial), FT_OPEN_BY_SERIAL_NUMBER, &h));
  if (s != FT_OK) return s;
  api_->SetTimeouts(h, readTimeoutMs_, readTimeoutMs_);
  handle = h;
  return FT_OK;
}

std::string LocIdText(std::uint32_t locId) {
  std::string digits;
  for (; locId; locId >>= 4) digits.insert(digits.begin(), "0123456789abcdef"[locId & 0xF]);
  if (digits.size() < 2) return {};
  std::string text = digits.substr(0, 1) + "-";
  for (std::size_t i = 1; i < digits.size(); ++i) text += (i > 1 ? "." : "") + std::string(1, digits[i]);
  return text;
}

FT_STATUS D2xxLibraryDriver::LocationId(std::uint32_t index, std::uint32_t& locId) {
  locId = 0;
  if (!problem_.empty()) return FT_OTHER_ERROR;
  std::uint64_t id = 0;
  const FT_STATUS s =
      S(api_->ListDevices(reinterpret_cast<void*>(std::uintptr_t(index)), &id, FT_LIST_BY_INDEX | kOpenByLocation));
  locId = std::uint32_t(id);
  return s;
}

std::string D2xxLibraryDriver::ListDeviceLocation(std::uint32_t index) {
  std::uint32_t locId = 0;
  return LocationId(index, locId) == FT_OK ? LocIdText(locId) : std::string();
}

FT_STATUS D2xxLibraryDriver::OpenAt(const std::string& location, const char* serial, FT_HANDLE& handle) {
  handle = nullptr;
  std::uint32_t count = 0;
  if (const FT_STATUS s = ListDeviceCount(count); s != FT_OK) return s;
  char listed[kSerialBufferSize + 1] = {};
  for (std::uint32_t index = 0; index < count; ++index) {
    std::uint32_t locId = 0;
    if (LocationId(index, locId) != FT_OK || LocIdText(locId) != location) continue;
    if (ListDeviceByIndex(index, FT_OPEN_BY_SERIAL_NUMBER, listed, kSerialBufferSize) != FT_OK ||
        std::string(listed) != serial)
      continue;
    void* h = nullptr;
    const FT_STATUS s = S(api_->OpenEx(reinterpret_cast<void*>(std::uintptr_t(locId)), kOpenByLocation, &h));
    if (s != FT_OK) return s;
    api_->SetTimeouts(h, readTimeoutMs_, readTimeoutMs_);
    handle = h;
    return FT_OK;
  }
  return FT_DEVICE_NOT_FOUND;
}

FT_STATUS D2xxLibraryDriver::Close(FT_HANDLE handle) {
  return problem_.empty() ? S(api_->Close(handle)) : FT_OTHER_ERROR;
}

FT_STATUS D2xxLibraryDriver::Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& got) {
  got = 0;
  if (!problem_.empty()) return FT_OTHER_ERROR;
  std::uint64_t n = 0;
  FT_STATUS s = S(api_->Read(handle, buffer, count, &n));
  got = std::uint32_t(n);
  return s;
}

FT_STATUS D2xxLibraryDriver::Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                                   std::uint32_t& written) {
  written = 0;
  if (!problem_.empty()) return FT_OTHER_ERROR;
  std::uint64_t n = 0;
  FT_STATUS s = S(api_->Write(handle, const_cast<std::uint8_t*>(buffer), count, &n));
  written = std::uint32_t(n);
  return s;
}

FT_STATUS D2xxLibraryDriver::GetQueueStatus(FT_HANDLE handle, std::uint32_t& rxBytes) {
  rxBytes = 0;
  if (!problem_.empty()) return FT_OTHER_ERROR;
  std::uint64_t n = 0;
  FT_STATUS s = S(api_->GetQueueStatus(handle, &n));
  rxBytes = std::uint32_t(n);
  return s;
}

FT_STATUS D2xxLibraryDriver::CyclePort(FT_HANDLE handle) {
  if (!problem_.empty()) return FT_OTHER_ERROR;
  // Not every D2XX release has it: looked up when first needed.
  if (!api_->CyclePort) api_->CyclePort = reinterpret_cast<decltype(api_->CyclePort)>(library_->Symbol("FT_CyclePort"));
  if (!api_->CyclePort) {
    lastError_ = "This D2XX library cannot cycle the USB port (no FT_CyclePort); the port is closed without it";
    return FT_NOT_SUPPORTED;
  }
  return S(api_->CyclePort(handle));
}

FT_STATUS D2xxLibraryDriver::EE_UARead(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t& got) {
  got = 0;
  if (!problem_.empty()) return FT_OTHER_ERROR;
  std::uint64_t n = 0;
  FT_STATUS s = S(api_->EE_UARead(handle, buffer, size, &n));
  got = std::uint32_t(n);
  return s;
}

FT_STATUS D2xxLibraryDriver::SetLatencyTimer(FT_HANDLE handle, std::uint8_t ms) {
  return problem_.empty() ? S(api_->SetLatencyTimer(handle, ms)) : FT_OTHER_ERROR;
}

FT_STATUS D2xxLibraryDriver::SetBitMode(FT_HANDLE handle, std::uint8_t mask, std::uint8_t mode) {
  return problem_.empty() ? S(api_->SetBitMode(handle, mask, mode)) : FT_OTHER_ERROR;
}

}  // namespace velmar::link
