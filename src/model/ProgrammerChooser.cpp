// Choosing the programmer the window works on.
#include "model/ProgrammerChooser.h"

#include <algorithm>

#include "platform/Dialogs.h"

namespace velmar::model {

const std::vector<std::string>& ProgrammerChooser::Refresh() {
  locations_ = list_ ? list_() : std::vector<std::string>();
  return locations_;
}

bool ProgrammerChooser::Choose(TMainForm& form, const std::string& location) {
  if (location == current_ || std::find(locations_.begin(), locations_.end(), location) == locations_.end())
    return false;
  form.ReleaseLink();
  std::string error;
  if (std::optional<LinkParts> parts = open_(location, error)) {
    current_ = location;
    form.ReopenLink(*parts);
    return true;
  }
  form.Dialogs().ShowError("The programmer at " + location + " cannot be opened: " + error);
  std::string again;
  if (std::optional<LinkParts> parts = open_(current_, again)) {
    form.ReopenLink(*parts);
  } else {
    form.Dialogs().ShowError("The programmer at " + current_ + " cannot be opened again: " + again);
    form.UseLink({});
  }
  return false;
}

}  // namespace velmar::model
