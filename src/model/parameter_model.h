// The parameter model: shadow images, model state and flags, binding of slots to control names,
// band positions, effective addresses and Write parameter.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>

#include "model/shadow_images.h"

namespace vt {

// Where Write parameter hands its writes: the link's send queue (a recorder in tests).
class WriteSink {
  public:
    virtual ~WriteSink() = default;
    virtual void queueWrite(int address, int value) = 0;
};

// Told of every write that Write parameter hands on (not of suppressed ones), after both images
// hold the value: the edit history records its steps here.
class WriteObserver {
  public:
    virtual ~WriteObserver() = default;
    virtual void parameterWritten(int address, int value) = 0;
};

// The device variant that the unit's version (System slot 1) names: 0 ("R4") when its low byte
// is 1, else 1.
constexpr int deviceVariantFromVersion(int version) {
    return (version & 0xFF) == 1 ? 0 : 1;
}

struct LastChange {
    int address = 0;
    int value = 0;
};

class ParameterModel {
  public:
    WindowImage window;
    DeviceImage device;

    int currentChannel = kMainModule;  // 1 Main, 2 Auxiliary
    std::array<int, kModuleCount> selectedBand{};
    std::array<int, kModuleCount> eqPassState{};
    bool refresh = false;            // set while binding or applying an image
    int sendSuppression = 0;         // 1 = writes reach the images only
    bool trackBarEchoGuard = false;  // set while the model moves a track bar
    LastChange lastChange;
    int deviceVariant = 0;  // 0 first variant ("R4"), 1 the other ("R6")
    std::string currentEditBox = "MusFreEdit1";
    std::string previousEditBox;  // empty stands for the placeholder
    std::string lastAcceptedText;

    // The sink is whoever set it last: one that goes after another has taken its place (a link
    // replaced by the next one) leaves the newer sink in place.
    void setWriteSink(WriteSink* sink) { m_sink = sink; }
    void releaseWriteSink(const WriteSink* sink) {
        if (m_sink == sink) m_sink = nullptr;
    }
    WriteSink* writeSink() const { return m_sink; }
    void setWriteObserver(WriteObserver* observer) { m_observer = observer; }
    WriteObserver* writeObserver() const { return m_observer; }

    // Binding step: stores each bound control's address as its tag and initialises the device
    // image (2 in every slot below the slot count, then the filter defaults). Idempotent.
    void bindControls();

    // Tag of a bound control, or -1 when the name is not bound.
    int tagOf(std::string_view controlName) const;
    const std::unordered_map<std::string, int>& tags() const { return m_tags; }

    // Write parameter: store into both images, then hand to the send queue unless suppressed.
    void SendDatatoMCU(int address, int value);

    // Window image := device image for every slot below each module's slot count.
    void copyDeviceToWindow();

    // band x 256 + field for an address in an EQ band of the current channel, else 255.
    int bandPosition(int address) const;

    // The address a view reads and writes for a control tag (Q boxes follow their band's type).
    int effectiveAddress(int tag) const;

  private:
    WriteSink* m_sink = nullptr;
    WriteObserver* m_observer = nullptr;
    std::unordered_map<std::string, int> m_tags;
};

}  // namespace vt
