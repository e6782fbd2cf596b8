// The hidden speed and delay controls bound to the programmer link: the
// loader speed sets the link's clock divisor, the page and half-page delay
// boxes its dataflash write delays.
#pragma once

#include "link/TReadProg.h"
#include "model/LinkTuning.h"

namespace velmar::model {

class ReadProgTuning final : public LinkTuning {
 public:
  explicit ReadProgTuning(link::TReadProg& prog) : prog_(prog) {}
  void SetClockDivisor(int divisor) override { prog_.ClockDivisor = std::uint32_t(divisor); }
  void SetPageDelay(int milliseconds) override { prog_.PageDelay = std::uint32_t(milliseconds); }
  void SetHalfDelay(int milliseconds) override { prog_.HalfDelay = std::uint32_t(milliseconds); }

 private:
  link::TReadProg& prog_;
};

}  // namespace velmar::model
