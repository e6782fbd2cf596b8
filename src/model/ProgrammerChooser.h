// The Programmer menu's choice among several connected programmers: their
// locations, the one the window's link is on, and re-opening the link on
// another. The front end, which owns what the link stands on (the driver,
// the lock on the programmer), says how to list the programmers and how to
// open one; the chooser keeps the state and does the re-opening in order:
// the window lets its link go, the front end closes the old programmer and
// opens the chosen one, the window builds its link on it and reads it.
// When the chosen one cannot be opened, the window says why and goes back
// to the one it was on.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/TMainForm.h"

namespace velmar::model {

class ProgrammerChooser {
 public:
  using Lister = std::function<std::vector<std::string>()>;
  // Opens the programmer at a location (closing the one open before): the
  // parts the window's link stands on, or none and the reason.
  using Opener = std::function<std::optional<LinkParts>(const std::string& location, std::string& error)>;

  ProgrammerChooser(Lister list, Opener open, std::string current)
      : list_(std::move(list)), open_(std::move(open)), current_(std::move(current)) {}

  // Lists the programmers again (as the menu opens); their locations.
  const std::vector<std::string>& Refresh();
  const std::vector<std::string>& Locations() const { return locations_; }
  // The chooser is offered when several are connected.
  bool Offered() const { return locations_.size() > 1; }
  const std::string& Current() const { return current_; }

  // Re-opens `form`'s link at `location` and reads that programmer. False
  // when it is not listed or cannot be opened (said to the user; the link
  // is back on the one it was on, when that can still be opened).
  bool Choose(TMainForm& form, const std::string& location);

 private:
  Lister list_;
  Opener open_;
  std::string current_;
  std::vector<std::string> locations_;
};

}  // namespace velmar::model
