// Where the controls of the small modal windows sit: the erase options, the
// "Select Programmer Type" dialog and the Find dialog. A window without a
// layout here has its controls stacked one under the other.
#pragma once

#include <QSize>

#include <optional>
#include <string>

#include "ui/ControlBinder.h"

namespace velmar::ui {

struct FormLayout {
  QSize size;
  ControlBinder::Geometry geometry;
};

std::optional<FormLayout> LayoutForForm(const std::string& formName);

}  // namespace velmar::ui
