// Confirmed writes of the command-line program: `set` and `load`.
#include "app/cli_write_steps.h"

#include <memory>
#include <string>

#include "link/link_constants.h"
#include "presets/preset_check.h"

namespace vt::cli {
namespace {

constexpr int kWriteAttempts = 3;

struct SetProgress {
    std::uint32_t confirmedBefore = 0;
    int attempts = 0;
};

enum class LoadPhase { Writing, ReadingBack };

struct LoadProgress {
    LoadPhase phase = LoadPhase::Writing;
    int applications = 0;  // image applications seen when the phase began
    DeviceImage expected;
};

// A transfer ended and the image was applied: the link is connected again after it.
bool transferEnded(DeviceSession& session, const LoadProgress& p) {
    return session.connected() && session.host().imageApplications() > p.applications;
}

}  // namespace

DeviceSession::Step setStep(DeviceSession& session, const QueuedWrite& write) {
    DeviceSession::Step step;
    step.ready = [&session] { return session.idle(); };
    auto progress = std::make_shared<SetProgress>();
    auto send = [&session, write, progress] {
        ++progress->attempts;
        session.model().SendDatatoMCU(write.address, write.value);
    };
    step.begin = [&session, progress, send] {
        progress->confirmedBefore = session.link().sendState().confirmedWrites;
        send();
    };
    step.done = [&session, write, progress, send] {
        const SendState& s = session.link().sendState();
        if (s.confirmedWrites != progress->confirmedBefore && s.confirmedWrite == write &&
            session.idle())
            return true;
        // Idle without this write's answer: the answer went astray. Writing again is harmless.
        if (!session.idle()) return false;
        if (progress->attempts < kWriteAttempts)
            send();
        else
            session.failStep("the unit did not answer the write (" +
                             std::to_string(kWriteAttempts) + " attempts)");
        return false;
    };
    return step;
}

DeviceSession::Step loadStep(DeviceSession& session, const presets::DecodedPreset& preset) {
    DeviceSession::Step step;
    step.ready = [&session] { return session.idle(); };
    auto progress = std::make_shared<LoadProgress>();
    step.begin = [&session, &preset, progress] {
        ParameterModel& model = session.model();
        progress->expected = presets::presetExpectation(preset, model.deviceVariant);
        progress->applications = session.host().imageApplications();
        presets::applyPreset(preset, model.deviceVariant, model.device);
        session.link().DisCheckWindow(kOpWriteImage);
    };
    step.done = [&session, progress] {
        if (!transferEnded(session, *progress)) return false;
        Link& link = session.link();
        if (progress->phase == LoadPhase::Writing) {
            if (link.transferState().mode != kTransferWrite) {
                session.failStep("the write was interrupted and the unit read again");
                return false;
            }
            // Read the whole image back; a slot that no packet brings stays unset and shows.
            progress->phase = LoadPhase::ReadingBack;
            progress->applications = session.host().imageApplications();
            presets::forgetExpectedSlots(progress->expected, session.model().device);
            link.DisCheckWindow(kOpConnecting);
            return false;
        }
        if (const auto diff =
                presets::firstPresetDifference(progress->expected, session.model().device)) {
            session.failStep("read back: " + *diff);
            return false;
        }
        return true;
    };
    return step;
}

}  // namespace vt::cli
