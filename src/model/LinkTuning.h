// The three link settings that the main window's hidden service controls
// change: the clock divisor of the loader speed, and the page and half-page
// delays of the dataflash writes (milliseconds). The programmer link
// implements it; the window model only calls it.
#pragma once

namespace velmar::model {

class LinkTuning {
 public:
  virtual ~LinkTuning() = default;
  virtual void SetClockDivisor(int divisor) = 0;
  virtual void SetPageDelay(int milliseconds) = 0;
  virtual void SetHalfDelay(int milliseconds) = 0;
};

// Keeps what it was told, for the command line and tests.
class RecordingLinkTuning final : public LinkTuning {
 public:
  void SetClockDivisor(int d) override { clockDivisor = d; }
  void SetPageDelay(int ms) override { pageDelay = ms; }
  void SetHalfDelay(int ms) override { halfDelay = ms; }
  int clockDivisor = 0;
  int pageDelay = 0;
  int halfDelay = 0;
};

}  // namespace velmar::model
