// The libftdi1 backend: channel listing, opening by serial number, reads with
// a time-out, the read-ahead receive queue and the EEPROM user area.
#include "link/LibFtdiDriver.h"

#include <algorithm>

namespace velmar::link {

std::vector<std::uint8_t> UserAreaFromEeprom(const std::vector<std::uint8_t>& raw) {
  // Bytes 0x0E..0x13 hold offset and length of the manufacturer, product and
  // serial number strings; the offsets carry 0x80 on the small EEPROMs.
  if (raw.size() < 0x16) return {};
  const std::size_t size = raw.size();
  std::size_t end = 0;
  for (std::size_t i = 0x0E; i <= 0x12; i += 2) {
    std::size_t offset = raw[i] & (size <= 128 ? 0x7F : 0xFF);
    end = std::max(end, offset + raw[i + 1]);
  }
  end = std::max<std::size_t>(end, 0x16);
  end += end & 1;
  if (end + 2 >= size) return {};
  std::size_t stop = std::min(size - 2, end + kUserAreaSize);
  return std::vector<std::uint8_t>(raw.begin() + std::ptrdiff_t(end), raw.begin() + std::ptrdiff_t(stop));
}

LibFtdiDriver::LibFtdiDriver(std::unique_ptr<LibFtdiCalls> calls, std::uint64_t readTimeoutMs)
    : calls_(std::move(calls)), readTimeoutMs_(readTimeoutMs) {}

LibFtdiDriver::~LibFtdiDriver() {
  for (auto& s : sessions_) calls_->Close(s->id);
}

std::string LibFtdiDriver::Problem() const {
  if (!calls_) return "This Velmar was built without libftdi1; use --driver d2xx or --simulate";
  return calls_->Problem();
}

FT_STATUS LibFtdiDriver::Refresh() {
  if (!calls_) return FT_OTHER_ERROR;
  devices_.clear();
  int n = calls_->FindAll(devices_);
  if (n < 0) {
    lastError_ = calls_->ErrorString(-1);
    devices_.clear();
    return FT_IO_ERROR;
  }
  return FT_OK;
}

FT_STATUS LibFtdiDriver::ListDeviceCount(std::uint32_t& count) {
  count = 0;
  FT_STATUS s = Refresh();
  if (s == FT_OK) count = std::uint32_t(devices_.size() * 2);
  return s;
}

FT_STATUS LibFtdiDriver::ListDeviceByIndex(std::uint32_t index, std::uint32_t what, char* buffer, std::size_t size) {
  if (devices_.empty() && Refresh() != FT_OK) return FT_IO_ERROR;
  if (index >= devices_.size() * 2) return FT_DEVICE_NOT_FOUND;
  const auto& d = devices_[index / 2];
  if (!d.problem.empty()) {
    lastError_ = d.problem;
    return FT_DEVICE_NOT_OPENED;
  }
  const bool b = index % 2;
  std::string text = what == FT_OPEN_BY_SERIAL_NUMBER ? d.serial + (b ? "B" : "A") : d.description + (b ? " B" : " A");
  CopyListText(text, buffer, size);
  return FT_OK;
}

template <typename Where>
FT_STATUS LibFtdiDriver::OpenWhere(const char* serial, FT_HANDLE& handle, Where where) {
  handle = nullptr;
  FT_STATUS s = Refresh();
  if (s != FT_OK) return s;
  const std::string wanted = serial;
  for (const auto& d : devices_) {
    if (!where(d)) continue;
    for (int channel = 0; channel < 2; ++channel) {
      if (d.serial + (channel ? "B" : "A") != wanted) continue;
      int id = calls_->Open(d.device, channel);
      if (id < 0) {
        lastError_ = calls_->ErrorString(-1);
        return FT_DEVICE_NOT_OPENED;
      }
      sessions_.push_back(std::make_unique<Session>(Session{id, {}}));
      handle = sessions_.back().get();
      return FT_OK;
    }
  }
  return FT_DEVICE_NOT_FOUND;
}

FT_STATUS LibFtdiDriver::OpenEx(const char* serial, FT_HANDLE& handle) {
  return OpenWhere(serial, handle, [](const LibFtdiCalls::UsbDevice&) { return true; });
}

FT_STATUS LibFtdiDriver::OpenAt(const std::string& location, const char* serial, FT_HANDLE& handle) {
  return OpenWhere(serial, handle, [&](const LibFtdiCalls::UsbDevice& d) { return d.location == location; });
}

std::string LibFtdiDriver::ListDeviceLocation(std::uint32_t index) {
  if (devices_.empty() && Refresh() != FT_OK) return {};
  return index < devices_.size() * 2 ? devices_[index / 2].location : std::string();
}

LibFtdiDriver::Session* LibFtdiDriver::Find(FT_HANDLE handle) {
  for (auto& s : sessions_)
    if (s.get() == handle) return s.get();
  return nullptr;
}

FT_STATUS LibFtdiDriver::Fail(int session, FT_STATUS status) {
  lastError_ = calls_->ErrorString(session);
  return status;
}

FT_STATUS LibFtdiDriver::Close(FT_HANDLE handle) {
  Session* s = Find(handle);
  if (!s) return FT_INVALID_HANDLE;
  calls_->Close(s->id);
  sessions_.erase(std::find_if(sessions_.begin(), sessions_.end(), [s](const auto& p) { return p.get() == s; }));
  return FT_OK;
}

FT_STATUS LibFtdiDriver::Drain(Session& s, std::uint32_t wanted) {
  // libftdi goes on reading until it has all it was asked for or the chip
  // has nothing more: a read past the reply waits out the chip's latency
  // timer for a status-only packet. So it is asked for no more than is
  // wanted; anything beyond that which came in the same packet stays in
  // libftdi's buffer for the next read.
  std::uint8_t chunk[4096];
  while (wanted > 0) {
    const int asked = int(std::min<std::uint32_t>(wanted, sizeof chunk));
    int n = calls_->ReadData(s.id, chunk, asked);
    if (n < 0) return Fail(s.id, FT_IO_ERROR);
    s.rx.insert(s.rx.end(), chunk, chunk + n);
    if (n < asked) return FT_OK;
    wanted -= std::uint32_t(n);
  }
  return FT_OK;
}

FT_STATUS LibFtdiDriver::Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& got) {
  got = 0;
  Session* s = Find(handle);
  if (!s) return FT_INVALID_HANDLE;
  const std::uint64_t start = calls_->NowMs();
  while (true) {
    std::uint32_t n = std::min<std::uint32_t>(count - got, std::uint32_t(s->rx.size()));
    std::copy_n(s->rx.begin(), n, buffer + got);
    s->rx.erase(s->rx.begin(), s->rx.begin() + n);
    got += n;
    if (got == count) return FT_OK;
    if (calls_->NowMs() - start >= readTimeoutMs_) return FT_OK;  // timed out: fewer bytes
    std::size_t before = s->rx.size();
    FT_STATUS st = Drain(*s, count - got);
    if (st != FT_OK) return st;
    if (s->rx.size() == before) calls_->SleepMs(1);
  }
}

FT_STATUS LibFtdiDriver::Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                               std::uint32_t& written) {
  written = 0;
  Session* s = Find(handle);
  if (!s) return FT_INVALID_HANDLE;
  while (written < count) {
    int n = calls_->WriteData(s->id, buffer + written, int(count - written));
    if (n <= 0) return Fail(s->id, FT_IO_ERROR);
    written += std::uint32_t(n);
  }
  return FT_OK;
}

FT_STATUS LibFtdiDriver::GetQueueStatus(FT_HANDLE handle, std::uint32_t& rxBytes) {
  rxBytes = 0;
  Session* s = Find(handle);
  if (!s) return FT_INVALID_HANDLE;
  // What has come in so far. Asking the chip would cost a bulk read that,
  // with nothing more to come, waits out the latency timer: one per page.
  rxBytes = std::uint32_t(s->rx.size());
  return FT_OK;
}

FT_STATUS LibFtdiDriver::CyclePort(FT_HANDLE handle) {
  Session* s = Find(handle);
  if (!s) return FT_INVALID_HANDLE;
  return calls_->ResetPort(s->id) < 0 ? Fail(s->id, FT_IO_ERROR) : FT_OK;
}

FT_STATUS LibFtdiDriver::EE_UARead(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t& got) {
  got = 0;
  Session* s = Find(handle);
  if (!s) return FT_INVALID_HANDLE;
  std::vector<std::uint8_t> raw;
  if (calls_->ReadEeprom(s->id, raw) < 0) return Fail(s->id, FT_EEPROM_READ_FAILED);
  if (raw.empty()) return FT_EEPROM_NOT_PRESENT;
  std::vector<std::uint8_t> area = UserAreaFromEeprom(raw);
  got = std::min<std::uint32_t>(size, std::uint32_t(area.size()));
  std::copy_n(area.begin(), got, buffer);
  return FT_OK;
}

FT_STATUS LibFtdiDriver::SetLatencyTimer(FT_HANDLE handle, std::uint8_t ms) {
  Session* s = Find(handle);
  if (!s) return FT_INVALID_HANDLE;
  if (ms == 0) return FT_INVALID_PARAMETER;
  return calls_->SetLatency(s->id, ms) < 0 ? Fail(s->id, FT_IO_ERROR) : FT_OK;
}

FT_STATUS LibFtdiDriver::SetBitMode(FT_HANDLE handle, std::uint8_t mask, std::uint8_t mode) {
  Session* s = Find(handle);
  if (!s) return FT_INVALID_HANDLE;
  if (mode == 0) s->rx.clear();
  return calls_->SetBitmode(s->id, mask, mode) < 0 ? Fail(s->id, FT_IO_ERROR) : FT_OK;
}

}  // namespace velmar::link
