// Value scales: the frequency, Q and release tables, the linear scales with their texts,
// the packed encodings and the conversion of typed or dragged numbers to device steps.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace vt {

inline constexpr int kFreqSteps = 362;  // index 0..361, 1/36 octave
inline constexpr int kQSteps = 110;     // index 0..109
inline constexpr int kReleaseSteps = 8;
inline constexpr int kFreqIndexMax = kFreqSteps - 1;
inline constexpr int kQIndexMax = kQSteps - 1;
// The Q of every band type other than the peaking one stops at index 31 ("1.40").
inline constexpr int kOtherQIndexMax = 31;
inline constexpr int kGainStepMax = 180;  // 0..180 = -24.0..+12.0 dB
inline constexpr int kGainStepZero = 120;

// View kinds carried by edit boxes, combo boxes and value panes.
enum ViewKind : int {
    kViewNone = 0,
    kViewCombo = 1,
    kViewFreq = 2,
    kViewGain = 3,
    kViewQ = 4,
    kViewRelease = 16,
    kViewAttack = 17,
    kViewDelay = 18,
    kViewAuxGain = 20,
    kViewDeqStart = 35,
    kViewDeqCutoff = 36,
};

// Table texts; an index outside the table is clamped to it.
std::string_view frequencyText(int index);
std::string_view qText(int index);
std::string_view releaseText(int index);

// Numeric values of table entries (the text read as a number); index clamped.
double frequencyValue(int index);
double qValue(int index);

// Linear scales: shown value of a stored value.
inline double gainDb(double v) {
    return v / 5.0 - 24.0;
}
inline double delayMs(double v) {
    return v / 10.0;
}
inline double auxGainDb(double v) {
    return 3.0 * v - 9.0;
}
inline double deqStartDbu(double v) {
    return v - 36.0;
}
inline double deqCutoffDbu(double v) {
    return v - 30.0;
}

// Shown texts of the linear scales ("#0.0"/"#0" and the unit).
std::string gainText(double v);       // 120 -> "0.0dB"
std::string delayText(double v);      // 15 -> "1.5ms"
std::string attackText(double v);     // 10 -> "10.0ms" (whole part of v)
std::string volumeText(int v);        // 998 and above -> "100.0"
std::string auxGainText(double v);    // 5 -> "6dB"
std::string deqStartText(double v);   // v - 36, "dBu"
std::string deqCutoffText(double v);  // v - 30, "dBu"

// Conversion of a typed or dragged number x for an edit box of the given view kind.
// Returns a device value as a real number holding an integer; the view clamps it.
double SnapToScale(int kind, double x);

// Packed encodings.
inline int packBandType(int typeIndex, bool bypassed) {
    return typeIndex + (bypassed ? 10 : 0);
}
inline int bandTypeIndex(int packed) {
    return packed % 10;
}
inline bool bandBypassed(int packed) {
    return packed / 10 == 1;
}

inline int packCurvePoint(int inputDb, int outputDb) {
    return (inputDb + 200) * 256 + (outputDb + 200);
}
inline int curvePointInputDb(int packed) {
    return ((packed >> 8) & 0xFF) - 200;
}
inline int curvePointOutputDb(int packed) {
    return (packed & 0xFF) - 200;
}

}  // namespace vt
