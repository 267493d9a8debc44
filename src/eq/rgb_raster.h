// A view of a 24-bit pixel buffer: rows of width x 3 bytes in red, green, blue order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vt {

struct RgbRaster {
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;  // bytes from one row to the next

    std::uint8_t* pixel(int x, int y) const { return bits + y * stride + x * 3; }
};

}  // namespace vt
