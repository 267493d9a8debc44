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

Step loadStep(UnitSession& session, const presets::DecodedPreset& preset) {
    Step step;
    step.ready = [&session] { return session.idle(); };
    auto progress = std::make_shared<LoadProgress>();
    step.begin = [&session, &preset, progress] {
        ParameterModel& model = session.model();
        progress->expected = presets::presetExpectation(preset, model.deviceVariant);
        progress->applications = session.imageApplications();
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
