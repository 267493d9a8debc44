// EQ Reset defaults of the band fields.
#include "model/eq_defaults.h"

#include "model/modules.h"
#include "model/rounding.h"
#include "model/scales.h"

namespace vt {

int eqDefaultValue(int module, int band, int field) {
    switch (field) {
        case kFieldType:
            return 0;
        case kFieldFreq: {
            const int bands = kBandCount[static_cast<std::size_t>(module)];
            return bands > 0 ? static_cast<int>(roundHalfEvenToInt(360.0 / bands * band)) + 5 : 5;
        }
        case kFieldGain:
            return kGainStepZero;
        case kFieldPeakQ:
            return kDefaultPeakQIndex;
        default:
            return kDefaultOtherQIndex;
    }
}

}  // namespace vt
