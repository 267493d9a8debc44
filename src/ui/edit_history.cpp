// Recording writes into steps, merging box steps, and writing old or new values back.
#include "ui/edit_history.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QUndoCommand>
#include <algorithm>

#include "model/modules.h"
#include "model/slot_names.h"

namespace vt::ui {

// One undoable step. Its first redo is the user's own edit, which has already happened.
class EditStep : public QUndoCommand {
  public:
    EditStep(EditHistory& history, const QString& text, std::vector<SlotChange> changes,
             bool boxStep, qint64 time)
        : QUndoCommand(text),
          m_history(history),
          m_changes(std::move(changes)),
          m_boxStep(boxStep),
          m_time(time) {}

    int id() const override { return m_boxStep ? 1 : -1; }

    bool mergeWith(const QUndoCommand* other) override {
        const auto* o = static_cast<const EditStep*>(other);
        if (m_changes.size() != 1 || o->m_changes.size() != 1) return false;
        if (o->m_changes[0].address != m_changes[0].address) return false;
        if (o->m_time - m_time > kStepMergeMs) return false;
        m_changes[0].after = o->m_changes[0].after;
        m_time = o->m_time;
        // Stepped back to where it started: nothing left to undo.
        setObsolete(m_changes[0].before == m_changes[0].after);
        return true;
    }

    void undo() override { m_history.replay(m_changes, true); }
    void redo() override {
        if (m_done) m_history.replay(m_changes, false);
        m_done = true;
    }

  private:
    EditHistory& m_history;
    std::vector<SlotChange> m_changes;
    bool m_boxStep;
    qint64 m_time;
    bool m_done = false;
};

namespace {

// Store and recall are commands the unit carries out, not settings it can be given back.
bool isCommandSlot(int address) {
    return address == makeAddress(kSystemModule, slot_ids::kSysStore) ||
           address == makeAddress(kSystemModule, slot_ids::kSysRecall);
}

}  // namespace

EditHistory::EditHistory(ParameterModel& model, std::function<void()> refresh, QObject* parent)
    : QObject(parent), m_model(model), m_refresh(std::move(refresh)), m_baseline(model.device) {
    auto steady = std::make_shared<QElapsedTimer>();
    steady->start();
    m_clock = [steady] { return steady->elapsed(); };
    m_stack.setUndoLimit(kHistoryLimit);
    connect(&m_stack, &QUndoStack::indexChanged, this, &EditHistory::emitStatus);
    m_model.setWriteObserver(this);
}

EditHistory::~EditHistory() {
    if (m_model.writeObserver() == this) m_model.setWriteObserver(nullptr);
}

void EditHistory::open(const QString& label, bool boxStep, bool image) {
    if (m_implicit) commit();
    if (m_depth++ > 0) return;
    m_label = label;
    m_boxStep = boxStep;
    m_image = image;
    m_changes.clear();
}

void EditHistory::beginAction(const QString& label) {
    open(label, false, false);
}

void EditHistory::beginBoxStep() {
    open({}, true, false);
}

void EditHistory::markBoxStep() {
    if (m_implicit) {
        m_boxStep = true;
    } else if (m_depth == 0 && !m_boxStepMarked) {
        // Told before the write: the write of this event takes the mark, a later event does not.
        m_boxStepMarked = true;
        QTimer::singleShot(0, this, [this] { m_boxStepMarked = false; });
    }
}

void EditHistory::beginImageAction(const QString& label) {
    open(label, false, true);
}

void EditHistory::endAction() {
    if (m_depth == 0) return;
    if (--m_depth == 0) finish();
}

void EditHistory::beginDrag() {
    if (m_dragOpen) return;
    m_dragOpen = true;
    beginAction();
}

void EditHistory::endDrag() {
    if (!m_dragOpen) return;
    m_dragOpen = false;
    endAction();
}

void EditHistory::parameterWritten(int address, int value) {
    if (m_replaying || isCommandSlot(address) || !DeviceImage::containsAddress(address)) return;
    if (m_depth == 0) {
        open({}, m_boxStepMarked, false);
        m_boxStepMarked = false;
        m_implicit = true;
        QTimer::singleShot(0, this, [this] {
            if (m_implicit) commit();
        });
    }
    auto it = std::find_if(m_changes.begin(), m_changes.end(),
                           [address](const SlotChange& c) { return c.address == address; });
    if (it == m_changes.end())
        m_changes.push_back({address, m_baseline.at(address), value});
    else
        it->after = value;
}

void EditHistory::commit() {
    if (m_depth == 0) return;
    m_depth = 0;
    m_dragOpen = false;
    finish();
}

void EditHistory::finish() {
    m_implicit = false;
    std::vector<SlotChange> changes;
    if (m_image) {
        for (int m = 0; m < kModuleCount; ++m)
            for (int s = 0; s < kDeviceSlots; ++s)
                if (m_baseline.at(m, s) != m_model.device.at(m, s))
                    changes.push_back(
                        {makeAddress(m, s), m_baseline.at(m, s), m_model.device.at(m, s)});
    } else {
        changes = std::move(m_changes);
        for (auto& c : changes) c.after = m_model.device.at(c.address);
    }
    m_changes.clear();
    for (const auto& c : changes) m_baseline.set(c.address, c.after);
    const bool changed = std::any_of(changes.begin(), changes.end(),
                                     [](const SlotChange& c) { return c.before != c.after; });
    if (!changed) return;
    QString text = m_label;
    if (text.isEmpty()) {
        std::vector<int> addresses;
        for (const auto& c : changes) addresses.push_back(c.address);
        text = QString::fromStdString(slotGroupName(addresses));
    }
    m_stack.push(new EditStep(*this, text, std::move(changes), m_boxStep, m_clock()));
}

bool EditHistory::mayReplay() {
    if (m_writable()) return true;
    emit refused(Refusal::LinkBusy, {});
    return false;
}

void EditHistory::undo() {
    if (!mayReplay()) return;
    commit();
    m_stack.undo();
    tellLeftAlone();  // after the stack's new status, which would hide it
}

void EditHistory::redo() {
    if (!mayReplay()) return;
    commit();
    m_stack.redo();
    tellLeftAlone();
}

void EditHistory::clear() {
    m_changes.clear();
    m_baseline = m_model.device;
    m_stack.clear();
}

void EditHistory::followOutsideWrite(int address, int value) {
    if (DeviceImage::containsAddress(address)) m_baseline.set(address, value);
}

void EditHistory::replay(const std::vector<SlotChange>& changes, bool backwards) {
    m_replaying = true;
    bool imageOnly = false;
    auto write = [this, backwards, &imageOnly](const SlotChange& c) {
        // Another program changed the slot since the step: its value is newer than either.
        if (m_model.device.at(c.address) != (backwards ? c.after : c.before)) {
            m_leftAlone.push_back(c.address);
            return;
        }
        const int value = backwards ? c.before : c.after;
        const int module = moduleOf(c.address);
        if (slotOf(c.address) < kSlotCount[static_cast<std::size_t>(module)]) {
            m_model.SendDatatoMCU(c.address, value);
        } else {
            // Beyond the module's parameters: never sent on its own, only with the whole image.
            m_model.device.set(c.address, value);
            imageOnly = true;
        }
        m_baseline.set(c.address, value);
    };
    if (backwards)
        std::for_each(changes.rbegin(), changes.rend(), write);
    else
        std::for_each(changes.begin(), changes.end(), write);
    m_replaying = false;
    if (imageOnly && m_writeImage) m_writeImage();
    if (m_refresh) m_refresh();
}

void EditHistory::tellLeftAlone() {
    if (m_leftAlone.empty()) return;
    const QString names = QString::fromStdString(slotGroupName(m_leftAlone));
    m_leftAlone.clear();
    emit refused(Refusal::ChangedElsewhere, names);
}

void EditHistory::emitStatus() {
    emit statusChanged(m_stack.undoText(), m_stack.redoText());
}

}  // namespace vt::ui
