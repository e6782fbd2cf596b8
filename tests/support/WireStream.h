// The wire under a driver trace: what the programmer itself sees of a run,
// whatever way the host grouped it into USB writes and reads. Every byte
// the synchronous serial engine clocks becomes one line with the byte that
// went out and the one that came back (a clock-in sends the level the data
// line holds, as the chip does), every line change, pin read, clock divisor
// and wait keeps its place among them, and the driver calls that are not
// writes or reads stay as they are. "Send immediate" (0x87) only hurries
// bytes to the host and leaves nothing on the wire. Two runs with the same
// wire stream put the same bytes before the programmer, each after the same
// waits, however many USB round trips they took.
#pragma once

#include <string>

#include "support/GoldenTrace.h"

namespace velmar::test {

// The wire stream of `trace` (docs/TRACE.md format), one event a line:
//   byte OO II          a clocked byte: OO out, II in ("--": not read,
//                       ".." no reply came, "??" as the trace has it)
//   low VV DD / high VV DD, pins low II / pins high II, divisor LL HH,
//   loopback on / off, command XX II (a command the chip does not know),
//   wait MS, and every other driver call line unchanged.
std::string WireStream(const std::string& trace);
GoldenLines WireStream(const GoldenLines& trace);

// CompareWithGolden on the wire streams of `trace` and `golden`: the same
// bytes and waits in the same order, "??" and a trailing " ..." as there.
std::string CompareWireWithGolden(const std::string& trace, const GoldenLines& golden, bool prefixOnly = false);

}  // namespace velmar::test
