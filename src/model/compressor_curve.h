// The compressor's static transfer curve: five (input, output) points in dB, their packing into
// Main slots 8..12 and the corrections that keep the curve in its allowed shape.
#pragma once

#include <array>

namespace vt {

inline constexpr int kCurvePoints = 5;
inline constexpr int kCurveFirstSlot = 8;  // Main slots 8..12
inline constexpr int kCurveInputMin = -90;
inline constexpr int kCurveInputMax = 21;
inline constexpr int kCurveOutputMin = -113;
inline constexpr int kCurveOutputMax = 21;

struct CurvePoint {
    double input = 0;
    double output = 0;
};

using Curve = std::array<CurvePoint, kCurvePoints>;

// (-90,-90), (-70,-70), (-40,-40), (0,0), (21,21)
Curve defaultCurve();

// A point from a slot value: input = v div 256 - 200, output = v mod 256 - 200.
CurvePoint curvePointOfSlot(int value);
// The slot value of a point: (Round(input) + 200) x 256 + (Round(output) + 200).
int slotOfCurvePoint(const CurvePoint& p);

// Limits every point, pins the first and last inputs and pulls points that stand too high down
// to their right-hand neighbour, in one pass.
void shapeCurve(Curve& curve);

}  // namespace vt
