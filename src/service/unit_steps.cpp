// Steps of the runs against the unit.
#include "service/unit_steps.h"

#include <string>

#include "link/link_constants.h"
#include "presets/preset_check.h"

namespace vt::service {
namespace {

enum class LoadPhase { Writing, ReadingBack };

struct LoadProgress {
    LoadPhase phase = LoadPhase::Writing;
    int applications = 0;  // image applications seen when the phase began
    DeviceImage expected;
};

// A transfer ended and the image was applied: the link is connected again after it.
bool transferEnded(UnitSession& session, const LoadProgress& p) {
    return session.connected() && session.imageApplications() > p.applications;
}

// Sets the slots the expectation names (taken when the step begins, from the model as it is
// then), writes the whole image, then reads it back and compares those slots.
Step writeAndReadBack(UnitSession& session,
                      std::function<DeviceImage(const ParameterModel&)> expectation) {
    Step step;
    step.ready = [&session] { return session.idle(); };
    auto progress = std::make_shared<LoadProgress>();
    step.begin = [&session, progress, expectation = std::move(expectation)] {
        ParameterModel& model = session.model();
        progress->expected = expectation(model);
        progress->applications = session.imageApplications();
        for (int m = 0; m < kModuleCount; ++m)
            for (int s = 0; s < kDeviceSlots; ++s)
                if (const int v = progress->expected.at(m, s); v != presets::kNotSet)
                    model.device.set(m, s, v);
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
            progress->applications = session.imageApplications();
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

}  // namespace

Step imageStep(UnitSession& session, bool first, std::function<bool(const ParameterModel&)> use) {
    Step step;
    step.ready = [&session] { return session.idle(); };
    auto reads = std::make_shared<int>(-1);
    if (!first) {
        step.begin = [&session, reads] {
            *reads = session.imageApplications();
            session.link().DisCheckWindow(kOpConnecting);
        };
    }
    step.done = [&session, reads, use = std::move(use)] {
        if (*reads >= 0 && (!session.connected() || session.imageApplications() == *reads))
            return false;
        return use(session.model());
    };
    return step;
}

Step setStep(UnitSession& session, WriteTracker& tracker, const QueuedWrite& write) {
    Step step;
    step.ready = [&session] { return session.idle(); };
    auto answered = std::make_shared<bool>(false);
    step.begin = [&session, &tracker, write, answered] {
        tracker.add(write, [&session, answered](const std::optional<std::string>& failure) {
            if (failure)
                session.failStep(*failure);
            else
                *answered = true;
        });
    };
    step.done = [&tracker, answered] {
        tracker.poll();
        return *answered;
    };
    return step;
}

Step imageWriteStep(UnitSession& session, DeviceImage expected) {
    return writeAndReadBack(session, [expected](const ParameterModel&) { return expected; });
}

Step loadStep(UnitSession& session, const presets::DecodedPreset& preset) {
    return writeAndReadBack(session, [&preset](const ParameterModel& model) {
        return presets::presetExpectation(preset, model.deviceVariant);
    });
}

Step bluetoothStep(UnitSession& session, std::vector<std::uint8_t> payload) {
    Step step;
    step.ready = [&session] { return session.idle(); };
    auto sent = std::make_shared<bool>(false);
    step.begin = [&session, sent, payload = std::move(payload)] {
        session.link().sendBluetooth(payload);
        *sent = true;
    };
    step.done = [sent] { return *sent; };
    return step;
}

Step storeStep(UnitSession& session) {
    Step step;
    step.ready = [&session] { return session.idle(); };
    auto saved = std::make_shared<std::size_t>(0);
    step.begin = [&session, saved] {
        *saved = session.messageCount();
        session.writeParameter(slot_ids::kSysStore, 0);
        session.link().awaitSaveConfirmation();
    };
    step.done = [&session, saved] {
        return session.messageCount() > *saved &&
               session.lastMessage() == texts::kSaveSuccessfully.text;
    };
    return step;
}

Step recallStep(UnitSession& session, bool factory) {
    Step step;
    step.ready = [&session] { return session.idle(); };
    const int value = factory ? link::kRecallFactory : 0;
    // Sent while the link is idle, the recall goes out at once and the link re-reads the image
    // when the unit answers; the step ends when that read is complete.
    step.begin = [&session, value] { session.writeParameter(slot_ids::kSysRecall, value); };
    step.done = [&session] { return session.connected(); };
    return step;
}

}  // namespace vt::service
