// How a programmer firmware version is told to the user: in decimal and in
// hexadecimal ("150 (0x96)"; firmware files and the programmer's own
// messages give it in hexadecimal alone), and the lines an update question
// ends with: the version offered, the one installed, and whether the update
// would only write the same version again.
#pragma once

#include <string>

namespace velmar::link {

// "150 (0x96)"; "not known" for a negative version.
std::string VersionWithHex(int version);

// "Offered: 150 (0x96)\rInstalled: 149 (0x95)", or "Installed: 150 (0x96),
// already installed" when the two are the same. A negative version is one
// not known.
std::string VersionFacts(int offered, int installed);

}  // namespace velmar::link
