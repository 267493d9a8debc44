// What a curve redraw reads from the rest of the window: the refresh flag, the channels'
// "EQ PASS" flags and the channel band list; and the implementation over the parameter model.
#pragma once

#include <functional>

#include "model/band_list.h"
#include "model/parameter_model.h"

namespace vt {

class CurveSource {
  public:
    virtual ~CurveSource() = default;
    // Set while controls are bound or a whole device image is applied: redraws are ignored.
    virtual bool refreshing() const = 0;
    virtual bool eqPassed(int channel) const = 0;
    // Fills the channel band list; returns 200 + number of EQ bands - 1.
    virtual int loadBandList(int channel, BandList& list) const = 0;
};

// Reads the parameter model; the filter type list positions come from the channel's high-pass
// and low-pass type boxes, which `filterItems(channel)` reports as {high-pass, low-pass}.
class ModelCurveSource : public CurveSource {
  public:
    struct FilterItems {
        int highPass = 0;
        int lowPass = 0;
    };
    using FilterItemsOf = std::function<FilterItems(int channel)>;

    ModelCurveSource(const ParameterModel& model, FilterItemsOf filterItems)
        : m_model(model), m_filterItems(std::move(filterItems)) {}

    bool refreshing() const override { return m_model.refresh; }
    bool eqPassed(int channel) const override;
    int loadBandList(int channel, BandList& list) const override;

  private:
    const ParameterModel& m_model;
    FilterItemsOf m_filterItems;
};

}  // namespace vt
