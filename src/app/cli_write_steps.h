// The command-line steps that change the unit and report success only once the unit confirmed
// the change: one parameter write, and a preset load read back and compared.
#pragma once

#include "app/device_session.h"
#include "link/write_queue.h"
#include "presets/preset_codec.h"

namespace vt::cli {

// Done when the unit has answered this very write (not a later keep-alive poll). A write whose
// answer was lost is sent again when the link is idle; after three unanswered attempts the step
// fails.
DeviceSession::Step setStep(DeviceSession& session, const QueuedWrite& write);

// Writes the preset into the unit; done when the image write ended with its end sign answered,
// a read of the whole image followed, and every slot the preset sets was read back equal. A
// write that a device change turned into a read, or a slot that differs, fails the step.
DeviceSession::Step loadStep(DeviceSession& session, const presets::DecodedPreset& preset);

}  // namespace vt::cli
