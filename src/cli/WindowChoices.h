// The choices a command makes in the main window as a user would: the
// family entry, the device by its listed name and the program's HEX file.
// A family or device the window does not offer is a usage error naming it.
#pragma once

#include <string>

namespace velmar::model {
class TMainForm;
}

namespace velmar::cli {

// Selects family entry `family`; returns it.
int SelectFamily(model::TMainForm& window, int family);
void SelectDevice(model::TMainForm& window, const std::string& device);
// The HEX file (made absolute) as the Browse button would set it.
void ChooseHexFile(model::TMainForm& window, const std::string& path);

}  // namespace velmar::cli
