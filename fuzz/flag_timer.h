// A timer for fuzz targets that only remembers whether the link started it; the target itself
// decides when the link's timer handlers run.
#pragma once

#include "link/timer_control.h"

namespace vt::fuzz {

class FlagTimer : public TimerControl {
  public:
    void start() override { m_active = true; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

  private:
    bool m_active = false;
};

}  // namespace vt::fuzz
