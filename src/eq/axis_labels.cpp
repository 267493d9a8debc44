// Placement of the axis labels around the graph.
#include "eq/axis_labels.h"

namespace vt {

PixelPoint gainLabelPosition(const GraphGeometry& geometry, PixelPoint graph, PixelSize label,
                             double gain) {
    return {graph.x - label.width - 2,
            toPixel(geometry.YOfGain(gain)) + graph.y - label.height / 2};
}

PixelPoint frequencyLabelPosition(const GraphGeometry& geometry, PixelPoint graph, PixelSize label,
                                  double frequency) {
    return {toPixel(geometry.XOfFrequency(frequency)) + graph.x - label.width / 2,
            graph.y + geometry.height()};
}

}  // namespace vt
