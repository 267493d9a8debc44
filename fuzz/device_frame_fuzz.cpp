// Fuzz target: any frame from the unit, decoded on its own and handed to the link's receive
// parser, stays inside the frame and inside the images.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "flag_timer.h"
#include "link/device_frame.h"
#include "link/link.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> frame(data, size);
    const vt::DeviceFrame d = vt::decodeDeviceFrame(frame);
    if (d.kind == vt::DeviceFrame::Kind::DataPacket && !d.valueBytes.empty()) {
        // The values lie inside the frame, after the module and first slot bytes.
        if (d.valueBytes.data() < data + 8 ||
            d.valueBytes.data() + d.valueBytes.size() > data + size)
            std::abort();
        for (int j = 0; j < d.valueCount(); ++j) (void)d.value(j);
    }

    // Whatever the link's state, the parser only reaches memory of the frame and the images.
    vt::ParameterModel model;
    vt::NullLinkHost host;
    vt::fuzz::FlagTimer hold, connect, transfer;
    vt::Link link(model, host, vt::LinkTimers{hold, connect, transfer});
    link.ParseDeviceFrame(frame);
    link.setLinkState(vt::kConnected);
    link.uartFrameReceived(frame);
    return 0;
}
