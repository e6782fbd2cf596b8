// The progress window model.
#include "model/ProgressForm.h"

#include <algorithm>
#include <chrono>

#include "platform/Dialogs.h"

namespace velmar::model {

namespace {

std::uint64_t SteadyNowMs() {
  using namespace std::chrono;
  return std::uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

std::string ClockText(std::uint64_t ms) {
  const std::uint64_t seconds = (ms + 500) / 1000;
  const std::uint64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  auto two = [](std::uint64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  return h ? std::to_string(h) + ":" + two(m) + ":" + two(s) : std::to_string(m) + ":" + two(s);
}

ProgressForm::~ProgressForm() {
  if (view_ && Visible) view_->Released(*this);
}

void ProgressForm::Show() {
  Visible = true;
  if (view_) view_->Shown(*this);
}

void ProgressForm::Repaint() {
  // A window not shown yet has nothing on the screen to repaint; Show
  // presents its state as it then is.
  if (view_ && Visible) view_->Changed(*this);
  if (pump_) pump_->ProcessMessages();
}

void ProgressForm::SetCaption(const std::string& caption) {
  Caption = caption;
  Repaint();
}

void ProgressForm::SetMessage(const std::string& text) {
  messageLabel = text;
  Repaint();
}

void ProgressForm::UpdateStat(int done, int total) {
  const std::uint64_t now = now_ ? now_() : SteadyNowMs();
  if (!reported_ || total != MainProgressMax || done < MainProgressPosition) stepStartMs_ = now;
  reported_ = true;
  lastReportMs_ = now;
  MainProgressMax = total;
  MainProgressPosition = done;
  Repaint();
}

ProgressFigures ProgressForm::Figures() const {
  ProgressFigures f;
  if (!reported_) return f;
  f.total = std::max(MainProgressMax, 0);
  f.done = std::clamp(MainProgressPosition, 0, f.total);
  f.percent = f.total > 0 ? int(std::int64_t(f.done) * 100 / f.total) : 0;
  f.elapsedMs = lastReportMs_ - stepStartMs_;
  // No rate yet at the first report of a step.
  if (f.done > 0 && f.elapsedMs > 0)
    f.remainingMs = f.elapsedMs * std::uint64_t(f.total - f.done) / std::uint64_t(f.done);
  return f;
}

std::string ProgressForm::FiguresText() const {
  if (!reported_) return {};
  const ProgressFigures f = Figures();
  std::string text = std::to_string(f.percent) + "%  -  " + std::to_string(f.done) + " of " + std::to_string(f.total) +
                     " " + ProgressUnit + "  -  " + ClockText(f.elapsedMs) + " elapsed";
  if (f.remainingMs) text += ", about " + ClockText(*f.remainingMs) + " left";
  return text;
}

}  // namespace velmar::model
