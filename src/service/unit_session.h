// What a run against the unit offers the steps that change it: the model, the link, the count of
// image applications and the link's messages, a way to fail the step and to write a parameter as
// this run's user. The command-line program's session and the control service both are one.
#pragma once

#include <QElapsedTimer>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "link/link.h"
#include "model/parameter_model.h"

namespace vt::service {

inline constexpr int kFailExitDevice = 3;
inline constexpr int kFailExitOutput = 4;

// One step of a run: may it begin yet (none: at once), begin it, is it done.
struct Step {
    std::string what;  // named in failure messages: "connecting", "set 0x0105 5"
    std::function<bool()> ready;
    std::function<void()> begin;
    std::function<bool()> done;
};

class UnitSession {
  public:
    virtual ~UnitSession() = default;

    virtual ParameterModel& model() = 0;
    virtual Link& link() = 0;
    // How often a completed transfer brought the window image in line with the device image.
    virtual int imageApplications() const = 0;
    // The messages the link has shown during this run, and the last of them.
    virtual std::size_t messageCount() const = 0;
    virtual std::string lastMessage() const = 0;
    // Ends the current step with a failure (exit 3 unless told otherwise).
    virtual void failStep(std::string why, int exitCode = kFailExitDevice) = 0;
    // Writes one parameter for this run's user: into both images and to the unit.
    virtual void writeParameter(int address, int value) = 0;

    // The image has been read (or written back) and the link sends parameter writes.
    bool connected();
    // Connected with nothing on its way: a write made now goes out at once, and the unit has
    // answered everything sent before it.
    bool idle();
};

// Walks one step at a time: begins it when it is ready, tells when it is done or its time is up.
class StepRunner {
  public:
    enum class State { Idle, Running, Done, TimedOut };

    void start(Step step, std::chrono::milliseconds timeout);
    // Advances the step; Done and TimedOut are told once, after which the runner is idle.
    State poll();
    bool running() const { return m_running; }
    const Step& step() const { return m_step; }
    void clear() { m_running = false; }

  private:
    Step m_step;
    bool m_running = false;
    bool m_begun = false;
    std::chrono::milliseconds m_timeout{0};
    QElapsedTimer m_clock;
};

// "Offline: no answer within 10 s (link: Connecting...)".
std::string noAnswerText(std::chrono::milliseconds timeout, const std::string& label);

}  // namespace vt::service
