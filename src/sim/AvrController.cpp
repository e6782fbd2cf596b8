// The two controller parts of the programmers.
#include "sim/AvrController.h"

#include "platform/Text.h"
#include "slot/ProgrammerGeometry.h"

namespace velmar::sim {

const AvrPart& ATmega128() {
  static const AvrPart part{"atmega128", {0x1E, 0x97, 0x02}, 0x20000, 256, true, 0x2F, 0x99, 0xFF};
  return part;
}

const AvrPart& ATmega8515() {
  static const AvrPart part{"atmega8515", {0x1E, 0x93, 0x06}, 0x2000, 64, false, 0x2F, 0xD9, 0xFF};
  return part;
}

const AvrPart* FindPart(const std::string& name) {
  const std::string n = text::LowerCase(text::Trim(name));
  for (const AvrPart* p : {&ATmega128(), &ATmega8515()})
    if (n == p->name) return p;
  return nullptr;
}

const AvrPart& PartForKind(slot::ProgrammerKind kind) {
  const AvrPart* part = FindPart(slot::KindRow(kind).sim.controller);
  return part ? *part : ATmega8515();
}

void AvrController::SetWorkingFuses() {
  lowFuse = part->lowFuse;
  highFuse = part->highFuse;
  extendedFuse = part->extendedFuse;
}

}  // namespace velmar::sim
