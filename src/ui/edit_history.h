// The edit history: every user change that writes to the unit becomes one step on an undo stack,
// with the old and new value of each slot it wrote; undo and redo write them back.
#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <functional>
#include <vector>

#include "model/parameter_model.h"

namespace vt::ui {

// One slot that a step wrote: its value before the step and after it.
struct SlotChange {
    int address = 0;
    int before = 0;
    int after = 0;
    bool operator==(const SlotChange&) const = default;
};

// Why an undo or redo changed less than its step holds.
enum class Refusal {
    LinkBusy,          // the link takes no writes: nothing was changed
    ChangedElsewhere,  // slots another program changed since the step were left as they are
};

inline constexpr int kHistoryLimit = 500;
inline constexpr qint64 kStepMergeMs = 1000;  // arrow or wheel steps of one box merge within this

class EditHistory : public QObject, public WriteObserver {
    Q_OBJECT
  public:
    // Observes the model's writes from now on. `refresh` brings the window in line with the
    // device image after an undo or redo, without writing.
    EditHistory(ParameterModel& model, std::function<void()> refresh, QObject* parent = nullptr);
    ~EditHistory() override;

    QUndoStack& stack() { return m_stack; }
    // Writes the whole image into the unit: how a slot past the parameters a single write
    // reaches (which only a preset load changes) is given back by an undo or redo.
    void setImageWriter(std::function<void()> writeImage) { m_writeImage = std::move(writeImage); }
    // Undo and redo write to the unit, so they wait for a link that takes writes: while
    // `writable` says no (a preset being written, the unit being read again) they change nothing
    // and `refused` says why.
    void setWritable(std::function<bool()> writable) { m_writable = std::move(writable); }
    // Milliseconds of a steady clock; tests drive their own.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    // Every write until the matching endAction is one step, named `label` (empty: after its
    // slots). Actions nest; the outermost one makes the step.
    void beginAction(const QString& label = {});
    void endAction();
    // An arrow or wheel step of one box: merges with the step before it when that was a step of
    // the same box less than a second ago.
    void beginBoxStep();
    // The step that the current event is making is a step of one box as well (a spin edit
    // changes its value and tells the history, in either order).
    void markBoxStep();
    // An action that may change the device image without Write parameter (a preset load): the
    // step holds every slot whose value it changed.
    void beginImageAction(const QString& label);
    // A mouse drag: one action from the press until endDrag, however many ticks write.
    void beginDrag();
    void endDrag();

    // Writes made outside any action are one step per event; this closes such a step now.
    void commit();
    void undo();
    void redo();
    // The unit's image was read again: the old values no longer describe it.
    void clear();
    // Another program changed a slot (through the control service): no step, but the next step
    // of the slot starts from this value, and an image action does not take it for its own.
    void followOutsideWrite(int address, int value);

  signals:
    // The texts of the next undo and redo ("Band 3 gain"), empty when there is none.
    void statusChanged(const QString& undoText, const QString& redoText);
    // An undo or redo was asked for while the link takes no writes (nothing was changed), or it
    // met slots that no longer hold what the step left there (`names` names them; they keep
    // their value, the step's other slots are written).
    void refused(vt::ui::Refusal why, const QString& names);

  private:
    friend class EditStep;
    void parameterWritten(int address, int value) override;
    void open(const QString& label, bool boxStep, bool image);
    void finish();
    // Writes `changes` in order (their `before` values when `backwards`), then refreshes.
    void replay(const std::vector<SlotChange>& changes, bool backwards);
    void emitStatus();
    // Says which slots the last undo or redo left alone, if any.
    void tellLeftAlone();
    bool mayReplay();

    ParameterModel& m_model;
    std::function<void()> m_refresh;
    std::function<void()> m_writeImage;
    std::function<qint64()> m_clock;
    std::function<bool()> m_writable = [] { return true; };
    QUndoStack m_stack;
    DeviceImage m_baseline;  // what the unit held before the open action
    std::vector<SlotChange> m_changes;
    std::vector<int> m_leftAlone;  // slots the replay running now leaves to another program
    QString m_label;
    int m_depth = 0;
    bool m_implicit = false;  // opened by a write outside any action; closes after the event
    bool m_boxStep = false;
    bool m_boxStepMarked = false;  // marked before this event's first write; taken by it
    bool m_image = false;
    bool m_dragOpen = false;
    bool m_replaying = false;
};

}  // namespace vt::ui
