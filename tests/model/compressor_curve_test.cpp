// Compressor curve: packing and the shape corrections.
#include "model/compressor_curve.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

std::array<int, 5> slots(const Curve& c) {
    std::array<int, 5> s{};
    for (int i = 0; i < 5; ++i)
        s[static_cast<std::size_t>(i)] = slotOfCurvePoint(c[static_cast<std::size_t>(i)]);
    return s;
}

TEST(CompressorCurve, DefaultCurveSlots) {
    Curve c = defaultCurve();
    shapeCurve(c);
    EXPECT_EQ(slots(c), (std::array<int, 5>{28270, 33410, 41120, 51400, 56797}));
}

TEST(CompressorCurve, Corrections) {
    const struct {
        const char* what;
        int point;
        bool input;
        double value;
        std::array<int, 5> inputs;
        std::array<int, 5> outputs;
    } cases[] = {
        // Output above input + 20 is pulled down.
        {"output too high", 1, false, 21, {-90, -70, -40, 0, 21}, {-90, -50, -40, 0, 21}},
        // An input above its right-hand neighbour is pulled down to it.
        {"input past neighbour", 2, true, 10, {-90, -70, 0, 0, 21}, {-90, -70, -40, 0, 21}},
        // One pass only: point 2 was checked before point 3 came down.
        {"one pass", 3, false, -100, {-90, -70, -40, 0, 21}, {-90, -70, -100, -100, 21}},
        // The first and last inputs are pinned; limits apply.
        {"pinned first input", 0, true, -20, {-90, -70, -40, 0, 21}, {-90, -70, -40, 0, 21}},
        {"output below range", 4, false, -200, {-90, -70, -40, 0, 21}, {-90, -70, -40, -113, -113}},
    };
    for (const auto& c : cases) {
        Curve curve = defaultCurve();
        auto& p = curve[static_cast<std::size_t>(c.point)];
        (c.input ? p.input : p.output) = c.value;
        shapeCurve(curve);
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(curve[i].input, c.inputs[i]) << c.what << " point " << i;
            EXPECT_EQ(curve[i].output, c.outputs[i]) << c.what << " point " << i;
        }
    }
}

TEST(CompressorCurve, SlotValuesDecodeAndCorrectAnOutOfRangeLowByte) {
    const CurvePoint p = curvePointOfSlot(0x82FF);  // low byte 255: output 55
    EXPECT_EQ(p.input, -70);
    EXPECT_EQ(p.output, 55);
    Curve c = defaultCurve();
    c[1] = p;
    shapeCurve(c);
    EXPECT_EQ(c[1].output, -50);  // limited to 21, then to input + 20
}

}  // namespace
}  // namespace vt
