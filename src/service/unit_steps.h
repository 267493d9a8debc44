// The steps that read or change the unit, shared by the command-line program and the control
// service: each reports success only once the unit confirmed it.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "presets/preset_codec.h"
#include "service/unit_session.h"
#include "service/write_tracker.h"

namespace vt::service {

// Hands the unit's whole image to `use` (which returns false after failing the step). Unless it
// follows the connection directly (`first`), the image is read from the unit once more (the read
// of a connection, without a new handshake, which a serial unit would not answer), so that `use`
// sees what the unit holds, not what was sent to it.
Step imageStep(UnitSession& session, bool first, std::function<bool(const ParameterModel&)> use);

// Done when the unit has answered this very write (not a later keep-alive poll); resent when its
// answer went astray, failed after three unanswered attempts.
Step setStep(UnitSession& session, WriteTracker& tracker, const QueuedWrite& write);

// Sets the slots that `expected` holds (presets::kNotSet elsewhere) in the device image and
// writes the whole image into the unit; done when the image write ended with its end sign
// answered, a read of the whole image followed, and every slot set was read back equal. A write
// that a device change turned into a read, or a slot that differs, fails the step.
Step imageWriteStep(UnitSession& session, DeviceImage expected);

// The image write of a preset: the slots it sets. `preset` must outlive the step.
Step loadStep(UnitSession& session, const presets::DecodedPreset& preset);

// Sends a Bluetooth text packet once the link is idle; done when it went out (the unit's
// acknowledgement tells nothing more).
Step bluetoothStep(UnitSession& session, std::vector<std::uint8_t> payload);

// Makes the unit store its settings; done when it said "Save Successfully!".
Step storeStep(UnitSession& session);

// Makes the unit return to its stored (restore) or factory settings; done when they were read.
Step recallStep(UnitSession& session, bool factory);

}  // namespace vt::service
