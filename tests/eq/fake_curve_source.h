// A curve source whose band list a test edits directly, standing in for the window.
#pragma once

#include "eq/curve_source.h"

namespace vt::test {

struct FakeCurveSource : CurveSource {
    BandList list;
    int result = 208;
    bool refresh = false;
    bool passed = false;

    bool refreshing() const override { return refresh; }
    bool eqPassed(int) const override { return passed; }
    int loadBandList(int, BandList& out) const override {
        out = list;
        return result;
    }

    void setBand(int slot, int type, float freq, float gain, float q = 1.0f) {
        const auto i = static_cast<std::size_t>(slot);
        list.type[i] = type;
        list.freq[i] = freq;
        list.gain[i] = gain;
        list.q[i] = q;
    }

    // Every band of the channel flat at 0 dB and both filters "OFF".
    static FakeCurveSource flat(int channel) {
        FakeCurveSource s;
        const int bands = channel == 1 ? 9 : 2;
        s.result = 200 + bands - 1;
        for (int b = 0; b < bands; ++b) s.setBand(b, 0, 100.0f * (b + 1), 0.0f);
        s.setBand(bands, 100, 19.7f, 0.0f);
        s.setBand(bands + 1, 200, 20600.0f, 0.0f);
        return s;
    }
};

}  // namespace vt::test
