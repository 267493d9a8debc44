// The unit's table steps nearest a value, with the neighbouring step on the value's other side:
// the two candidates a fit tries for every frequency, gain and Q.
#pragma once

namespace vt::eqfile {

// How much less error the neighbouring step must give to be taken instead of the nearest one.
inline constexpr double kNeighbourMargin = 1e-12;

struct Steps {
    int nearest;
    int other;  // the neighbour on the other side of the value (equal to nearest at a table end)
};

// Frequency index within lowest..highest.
Steps frequencySteps(double hz, int lowest, int highest);
// Gain step 0..180 of a gain limited to -24..+12 dB.
Steps gainSteps(double db);
// Q index 0..highest; nearest by ratio.
Steps qSteps(double q, int highest);

}  // namespace vt::eqfile
