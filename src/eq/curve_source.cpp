// The curve source over the parameter model.
#include "eq/curve_source.h"

namespace vt {

bool ModelCurveSource::eqPassed(int channel) const {
    return channel >= 0 && channel < kModuleCount &&
           m_model.eqPassState[static_cast<std::size_t>(channel)] != 0;
}

int ModelCurveSource::loadBandList(int channel, BandList& list) const {
    const FilterItems items = m_filterItems ? m_filterItems(channel) : FilterItems{};
    return ChannelBandList(m_model, channel, items.highPass, items.lowPass, list);
}

}  // namespace vt
