// Turning a driver trace into its wire stream: the MPSSE commands of every
// FT_Write are decoded in order (a command may run on into the next write),
// each event that brings a byte back waits in a queue, and the bytes of the
// FT_Read lines are handed to the waiting events in the order the chip sent
// them.
#include "support/WireStream.h"

#include <cstdint>
#include <deque>
#include <sstream>
#include <vector>

namespace velmar::test {

namespace {

constexpr std::uint8_t kDataOutLine = 0x02;  // ADBUS1 carries the data out

std::string Hex(std::uint8_t b) {
  static const char* digits = "0123456789ABCDEF";
  return {digits[b >> 4], digits[b & 15]};
}

bool IsByteShift(std::uint8_t c) { return (c & 0x80) == 0 && (c & 0x02) == 0 && (c & 0x30) != 0 && (c & 0x40) == 0; }

class Decoder {
 public:
  void Line(const std::string& line) {
    if (line.rfind("FT_Write ", 0) == 0) return Written(line);
    if (line.rfind("FT_Read ", 0) == 0) return Read(line);
    if (line.rfind("Sleep ", 0) == 0) return Event("wait " + line.substr(6));
    // A bit-mode change resets the engine: every line drops to an input.
    if (line.rfind("FT_SetBitMode ", 0) == 0) level_ = false;
    if (!line.empty()) Event(line);
  }

  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    out.reserve(events_.size());
    for (const Ev& e : events_) out.push_back(e.awaits ? e.text + " " + e.reply : e.text);
    return out;
  }

 private:
  struct Ev {
    std::string text;
    bool awaits = false;
    std::string reply = "..";
  };

  void Event(std::string text, bool awaits = false) {
    events_.push_back({std::move(text), awaits});
    if (awaits) waiting_.push_back(events_.size() - 1);
  }

  // "FT_Write 31 00 00 44 -> 0": the bytes before the arrow.
  void Written(const std::string& line) {
    std::istringstream in(line.substr(9));
    for (std::string w; in >> w && w != "->";) pending_.push_back(std::uint8_t(std::stoul(w, nullptr, 16)));
    std::size_t at = 0;
    while (at < pending_.size()) {
      const std::size_t used = Command(at);
      if (used == 0) break;
      at += used;
    }
    pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(at));
  }

  // "FT_Read 1 -> 0 : 2A": each byte to the next event waiting for one.
  void Read(const std::string& line) {
    const std::size_t colon = line.find(" : ");
    if (colon == std::string::npos) return;
    std::istringstream in(line.substr(colon + 3));
    for (std::string w; in >> w;) {
      if (waiting_.empty()) {
        Event("unasked reply " + w);
        continue;
      }
      events_[waiting_.front()].reply = w;
      waiting_.pop_front();
    }
  }

  // Decodes the command at `at`; the bytes it took, 0 while incomplete.
  std::size_t Command(std::size_t at) {
    const std::size_t avail = pending_.size() - at;
    const std::uint8_t* p = pending_.data() + at;
    const std::uint8_t c = p[0];
    if (IsByteShift(c)) {
      if (avail < 3) return 0;
      const std::size_t count = std::size_t(p[1] | p[2] << 8) + 1;
      const bool write = c & 0x10, read = c & 0x20, lsbFirst = c & 0x08;
      const std::size_t length = 3 + (write ? count : 0);
      if (avail < length) return 0;
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t out = write ? p[3 + i] : (level_ ? 0xFF : 0x00);
        if (write) level_ = lsbFirst ? (out & 0x80) != 0 : (out & 0x01) != 0;
        if (read)
          Event("byte " + Hex(out), true);
        else
          Event("byte " + Hex(out) + " --");
      }
      return length;
    }
    switch (c) {
      case 0x80:
      case 0x82:
      case 0x86:
        if (avail < 3) return 0;
        if (c == 0x80) level_ = (p[1] & kDataOutLine) != 0;
        Event(std::string(c == 0x80 ? "low " : c == 0x82 ? "high " : "divisor ") + Hex(p[1]) + " " + Hex(p[2]));
        return 3;
      case 0x81: Event("pins low", true); return 1;
      case 0x83: Event("pins high", true); return 1;
      case 0x84: Event("loopback on"); return 1;
      case 0x85: Event("loopback off"); return 1;
      case 0x87: return 1;  // send immediate: nothing on the wire
      default:
        // The chip answers a command it does not know with 0xFA and the command.
        Event("command " + Hex(c), true);
        Event("command " + Hex(c) + " echo", true);
        return 1;
    }
  }

  std::vector<Ev> events_;
  std::deque<std::size_t> waiting_;
  std::vector<std::uint8_t> pending_;
  bool level_ = false;
};

}  // namespace

GoldenLines WireStream(const GoldenLines& trace) {
  Decoder d;
  for (const std::string& line : trace) d.Line(line);
  return d.Lines();
}

std::string WireStream(const std::string& trace) {
  std::istringstream in(trace);
  GoldenLines lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::string out;
  for (const std::string& line : WireStream(lines)) out += line + "\n";
  return out;
}

std::string CompareWireWithGolden(const std::string& trace, const GoldenLines& golden, bool prefixOnly) {
  return CompareWithGolden(WireStream(trace), WireStream(golden), prefixOnly);
}

}  // namespace velmar::test
