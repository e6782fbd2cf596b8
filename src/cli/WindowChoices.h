// The choices a command makes in the main window as a user would: the
// family entry, the device by its listed name and the program's HEX file.
// A family or device the window does not offer is a usage error naming it.
#pragma once

#include <string>

namespace velmar::model {
class TMainForm;
}

namespace velmar::cli {

struct CliContext;

// Selects family entry `family`; returns it.
int SelectFamily(model::TMainForm& window, int family);
// Selects the family `--family` names: its entry number or its name in any
// letter case ("pic18k" for "PIC18 K"); when empty, the first family whose
// list holds `device`. Returns the entry.
int SelectFamily(model::TMainForm& window, const std::string& family, const std::string& device);
// Selects `device` as listed, in any letter case; a name not listed is a
// usage error that offers the nearest listed names.
void SelectDevice(model::TMainForm& window, const std::string& device);
// The HEX file (made absolute) as the Browse button would set it.
void ChooseHexFile(model::TMainForm& window, const std::string& path);
// Warns on stderr when the slot will keep less than was given: the
// description beyond its 28 characters, the HEX file's name beyond 20.
// Empty texts are not checked.
void WarnIfCut(CliContext& ctx, const std::string& description, const std::string& hexPath);

}  // namespace velmar::cli
