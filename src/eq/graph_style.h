// The graph's look in one place: colours, pen widths, fonts and the fixed texts of its labels.
#pragma once

#include <cstdint>
#include <string_view>

namespace vt {

struct Rgb {
    std::uint8_t r, g, b;
};

inline constexpr Rgb kGraphBackground{154, 148, 142};  // also the colour of the whole panel
inline constexpr Rgb kGridMajor{80, 80, 80};
inline constexpr Rgb kGridMinor{100, 100, 100};
inline constexpr Rgb kAxisLabelText{255, 255, 255};
inline constexpr Rgb kValueLabelText{199, 255, 255};
inline constexpr Rgb kPassLabelText{255, 255, 255};
inline constexpr Rgb kCurveColour{212, 120, 34};

inline constexpr double kCurveWidth = 1.8;
inline constexpr int kLabelPointSize = 8;       // axis labels and the value label, bold
inline constexpr int kPassLabelPixelSize = 35;  // "EQ PASS", bold

inline constexpr std::string_view kPassText = "EQ PASS";

// Gain lines every 3 dB; the bottom, 0 dB and top lines are major.
inline constexpr int kGainLineStep = 3;
inline constexpr double kMajorFrequencyLines[] = {100, 1000, 10000};
inline constexpr double kMinorFrequencyLines[] = {
    20,  30,  40,  50,   60,   70,   80,   90,   200,  300,  400,  500,  600,
    700, 800, 900, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 20000};

}  // namespace vt
