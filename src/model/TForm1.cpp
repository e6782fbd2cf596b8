// The progress window model.
#include "model/TForm1.h"

#include "platform/Dialogs.h"

namespace velmar::model {

TForm1::~TForm1() {
  if (view_ && Visible) view_->Released(*this);
}

void TForm1::Show() {
  Visible = true;
  if (view_) view_->Shown(*this);
}

void TForm1::Repaint() {
  // A window not shown yet has nothing on the screen to repaint; Show
  // presents its state as it then is.
  if (view_ && Visible) view_->Changed(*this);
  if (pump_) pump_->ProcessMessages();
}

void TForm1::SetCaption(const std::string& caption) {
  Caption = caption;
  Repaint();
}

void TForm1::SetMessage(const std::string& text) {
  messageLabel = text;
  Repaint();
}

void TForm1::UpdateStat(int done, int total) {
  MainProgressMax = total;
  MainProgressPosition = done;
  Repaint();
}

}  // namespace velmar::model
