// Shaping and packing of the compressor curve.
#include "model/compressor_curve.h"

#include "model/rounding.h"

namespace vt {

Curve defaultCurve() {
    return {{{-90, -90}, {-70, -70}, {-40, -40}, {0, 0}, {21, 21}}};
}

CurvePoint curvePointOfSlot(int value) {
    return {static_cast<double>(value / 256 - 200), static_cast<double>(value % 256 - 200)};
}

int slotOfCurvePoint(const CurvePoint& p) {
    return static_cast<int>((roundHalfEvenToInt(p.input) + 200) * 256 +
                            (roundHalfEvenToInt(p.output) + 200));
}

void shapeCurve(Curve& c) {
    for (auto& p : c) {
        if (p.input > kCurveInputMax)
            p.input = kCurveInputMax;
        else if (p.input < kCurveInputMin)
            p.input = kCurveInputMin;
        if (p.output > kCurveOutputMax)
            p.output = kCurveOutputMax;
        else if (p.output < kCurveOutputMin)
            p.output = kCurveOutputMin;
        if (p.output > p.input + 20) p.output = p.input + 20;
    }
    c[0].input = kCurveInputMin;
    c[kCurvePoints - 1].input = kCurveInputMax;
    for (int i = 1; i <= 3; ++i)
        if (c[i].input > c[i + 1].input) c[i].input = c[i + 1].input;
    for (int i = 0; i <= 3; ++i)
        if (c[i].output > c[i + 1].output) c[i].output = c[i + 1].output;
}

}  // namespace vt
