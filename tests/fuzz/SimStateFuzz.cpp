// Fuzz target: the simulated programmer's state file. Any text is parsed as
// the command line's simulator reads it; what parses is written out again,
// and that text must parse to the same state (the same text once more).
#include <cstdint>
#include <stdexcept>
#include <string>

#include "FuzzSupport.h"
#include "sim/SimState.h"

namespace fuzz = velmar::fuzz;
using velmar::sim::ParseState;
using velmar::sim::SimState;
using velmar::sim::StateText;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SimState state;
  try {
    state = ParseState(std::string(fuzz::AsText(data, size)));
  } catch (const std::runtime_error& e) {
    if (std::string(e.what()).empty()) fuzz::Fail("a refused state file gives no reason");
    return 0;
  }
  const std::string text = StateText(state);
  try {
    if (StateText(ParseState(text)) != text) fuzz::Fail("a saved state does not read back the same");
  } catch (const std::runtime_error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    fuzz::Fail("a saved state is refused when read back");
  }
  return 0;
}
