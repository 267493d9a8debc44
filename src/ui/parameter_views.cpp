// Show value, Accept typed text and the button toggles.
#include "ui/parameter_views.h"

#include <algorithm>
#include <cmath>

#include "model/number_text.h"
#include "model/scales.h"
#include "model/slot_map.h"
#include "ui/range_mark.h"

namespace vt::ui {
namespace {

double clampValue(double v, double lo, double hi) {
    return std::min(std::max(v, lo), hi);
}

double applyStep(double v, int step) {
    if (step == kStepUp) return v + 1;
    if (step == kStepDown) return v - 1;
    return v;
}

// Addresses of the dynamic EQ Q boxes, whose limit is always the full table.
constexpr int kDeqQ1 = 2 * 256 + 5;
constexpr int kDeqQ2 = 2 * 256 + 17;
constexpr int kDeqStart1 = 2 * 256 + 8;
constexpr int kDeqCutoff1 = 2 * 256 + 9;
constexpr int kDeqStart2 = 2 * 256 + 20;
constexpr int kDeqCutoff2 = 2 * 256 + 21;

// Dynamic properties of a band box: the text of what the unit holds, and whether that changed
// while the user was typing.
constexpr const char* kHeldText = "heldText";
constexpr const char* kOvertaken = "overtakenWhileTyping";

}  // namespace

void ParameterViews::attach(QWidget* root) {
    m_controls.clear();
    for (const auto& b : SlotMap::instance().bindings()) {
        const QString name = toQString(b.control->name);
        if (auto* w = root->findChild<QWidget*>(name)) m_controls.insert(name, w);
    }
    m_placeholder = root->findChild<QLineEdit*>(toQString(kPlaceholderName));
    if (m_placeholder) m_controls.insert(toQString(kPlaceholderName), m_placeholder);
}

void ParameterViews::bindControls() {
    m_model.bindControls();
    for (auto it = m_model.tags().begin(); it != m_model.tags().end(); ++it)
        if (QWidget* w = control(it->first)) setTag(w, it->second);
}

QWidget* ParameterViews::primary(int address) const {
    const auto& e = SlotMap::instance().at(moduleOf(address), slotOf(address));
    if (e.primary.kind == ControlKind::Empty) return nullptr;
    return control(e.primary.name);
}

QWidget* ParameterViews::companion(int address) const {
    const auto& e = SlotMap::instance().at(moduleOf(address), slotOf(address));
    if (e.companion.kind == ControlKind::Empty) return nullptr;
    return control(e.companion.name);
}

QLineEdit* ParameterViews::currentEditBox() const {
    return qobject_cast<QLineEdit*>(control(QString::fromStdString(m_model.currentEditBox)));
}

void ParameterViews::setCurrentEditBox(QWidget* box) {
    if (box) m_model.currentEditBox = box->objectName().toStdString();
}

int ParameterViews::qLimit(int address) const {
    if (address == kDeqQ1 || address == kDeqQ2) return kQIndexMax;
    // The band's own type slot, whichever channel is on show.
    const int module = moduleOf(address);
    const int first = kFirstBandSlot[static_cast<std::size_t>(std::clamp(module, 0, 3))];
    const int slot = slotOf(address);
    if ((module != kMainModule && module != kAuxModule) || slot < first) return kQIndexMax;
    const int typeSlot = first + ((slot - first) / 5) * 5;
    return m_model.window.at(module, typeSlot) == 0 ? kQIndexMax : kOtherQIndexMax;
}

bool ParameterViews::isBeingEdited(const QLineEdit* box) {
    return box && box->hasFocus() && box->isModified();
}

bool ParameterViews::overtakenWhileTyping(const QLineEdit* box) {
    return box && box->property(kOvertaken).toBool();
}

void ParameterViews::revertBox(QLineEdit* box) {
    if (!box || box == m_placeholder) return;
    box->setModified(false);
    box->setProperty(kOvertaken, false);
    ShowValue(box, 0, kSourceImage, m_model.window.at(m_model.effectiveAddress(tagOf(box))));
    if (box == currentEditBox()) m_model.lastAcceptedText = box->text().toStdString();
}

void ParameterViews::showOnBar(QSlider* bar, int held) {
    const int shown = std::clamp(held, bar->minimum(), bar->maximum());
    m_model.trackBarEchoGuard = true;
    bar->setValue(shown);
    m_model.trackBarEchoGuard = false;
    markBeyondRange(bar, shown == held ? std::nullopt : std::optional<int>(held));
}

void ParameterViews::showOnCombo(QComboBox* combo, int index, int held) {
    const int shown = std::clamp(index, 0, std::max(combo->count() - 1, 0));
    combo->setCurrentIndex(shown);
    markBeyondRange(combo, shown == index ? std::nullopt : std::optional<int>(held));
}

void ParameterViews::ShowValue(QWidget* c, int step, int source, double v) {
    if (!c) return;
    auto* edit = qobject_cast<QLineEdit*>(c);
    auto* pane = qobject_cast<ValuePane*>(c);
    auto* combo = qobject_cast<QComboBox*>(c);
    int kind = 0;
    if (edit) {
        kind = hintNumber(c);
    } else if (pane) {
        kind = hintNumber(c);
        if (kind <= 5) return;
    } else if (combo) {
        if (hintOf(c).isEmpty()) return;
        kind = hintNumber(c);
    } else {
        return;
    }
    const bool isPlaceholder = c == m_placeholder;
    const bool fromImage = source == kSourceImage;
    const int address = m_model.effectiveAddress(tagOf(c));
    // A Q box shows the Q slot its band's type uses, whichever of the two it was shown for.
    if (fromImage && kind == kViewQ && !isPlaceholder) v = m_model.window.at(address);
    const int held = static_cast<int>(std::trunc(v));
    auto* bar = isPlaceholder ? nullptr : qobject_cast<QSlider*>(primary(address));
    // A pane shows no more than its bar can.
    if (pane && bar) v = clampValue(v, bar->minimum(), bar->maximum());
    auto setText = [&](const QString& text) {
        if (!edit) {
            if (pane) pane->setText(text);
            return;
        }
        // A box the user is typing in keeps the typed text; what the unit holds shows when the
        // box is left without confirming, and is what a wrong entry falls back to.
        if (fromImage && isBeingEdited(edit) && !isPlaceholder) {
            if (edit->property(kHeldText).toString() != text) edit->setProperty(kOvertaken, true);
            edit->setProperty(kHeldText, text);
            m_model.lastAcceptedText = text.toStdString();
            return;
        }
        edit->setProperty(kHeldText, text);
        edit->setProperty(kOvertaken, false);
        edit->setText(text);
    };

    switch (kind) {
        case kViewCombo:
            if (combo) {
                showOnCombo(combo, held, held);
                v = combo->currentIndex();
            }
            break;
        case kViewFreq:
            if (!fromImage) v = applyStep(v, step);
            v = clampValue(v, 0, kFreqIndexMax);
            setText(toQString(frequencyText(static_cast<int>(v))));
            if (!isPlaceholder) setCurrentEditBox(primary(address));
            SelectBand(c);
            break;
        case kViewGain:
            v = clampValue(fromImage ? v : applyStep(v, step), 0, kGainStepMax);
            setText(QString::fromStdString(gainText(v)));
            SelectBand(c);
            break;
        case kViewQ:
            v = fromImage ? clampValue(v, 0, kQIndexMax)
                          : clampValue(applyStep(v, step), 0, qLimit(address));
            setText(toQString(qText(static_cast<int>(v))));
            SelectBand(c);
            break;
        case kViewRelease:
            v = clampValue(v, 0, 7);
            setText(toQString(releaseText(static_cast<int>(v))));
            break;
        case kViewAttack:
            v = clampValue(v, 0, 100);
            setText(QString::fromStdString(attackText(v)));
            break;
        case kViewDelay:
            v = clampValue(v, 0, 150);
            setText(QString::fromStdString(delayText(v)));
            break;
        case kViewAuxGain:
            v = clampValue(v, 0, 6);
            setText(QString::fromStdString(auxGainText(v)));
            break;
        case kViewDeqStart: {
            v = clampValue(v, 0, 48);
            // A start above the cut-off is what the unit holds and is shown as it is; only a
            // move of the user's stops at the cut-off.
            const int cutoff = fromImage               ? 48
                               : address == kDeqStart1 ? m_model.window.at(kDeqCutoff1)
                               : address == kDeqStart2 ? m_model.window.at(kDeqCutoff2)
                                                       : 48;
            if (v > cutoff) v = cutoff;
            setText(QString::fromStdString(deqStartText(v)));
            break;
        }
        case kViewDeqCutoff: {
            v = clampValue(v, 0, 48);
            const int startAddress = address == kDeqCutoff1   ? kDeqStart1
                                     : address == kDeqCutoff2 ? kDeqStart2
                                                              : -1;
            if (!fromImage && startAddress >= 0 && m_model.window.at(startAddress) > v) {
                // Lowering the cut-off pulls the start level down through its own bar.
                if (auto* startBar = qobject_cast<QSlider*>(primary(startAddress)))
                    startBar->setValue(static_cast<int>(v));
            }
            setText(QString::fromStdString(deqCutoffText(v)));
            break;
        }
        default:
            return;
    }

    if (isPlaceholder) return;
    const int stored = static_cast<int>(std::trunc(v));
    // What the unit holds is shown, never written: a value the control cannot show leaves its
    // nearest end on show, marked, until the user moves the control.
    const std::optional<int> beyond =
        fromImage && stored != held ? std::optional<int>(held) : std::nullopt;
    if (!combo) markBeyondRange(c, beyond);
    if (bar) {
        showOnBar(bar, stored);
        markBeyondRange(bar, beyond);
    }
    if (!fromImage) m_model.SendDatatoMCU(address, stored);
    const bool imageKind = kind >= kViewCombo && kind <= kViewQ;
    if (imageKind && !m_model.refresh) {
        m_model.lastChange = {address, stored};
        if (m_changed) m_changed();
    }
}

void ParameterViews::AcceptTypedText(int step) {
    QLineEdit* box = currentEditBox();
    if (!box || box == m_placeholder) return;
    // A box that shows the nearest end of a value beyond its range, untouched: confirming it
    // would write the end, which the user never chose.
    if (step == 0 && heldBeyondRange(box) && !box->isModified()) {
        revertBox(box);
        return;
    }
    const QString lastText = QString::fromStdString(m_model.lastAcceptedText);
    QString kept;
    for (QChar ch : box->text())
        if (ch == '-' || ch == '.' || (ch >= '0' && ch <= '9')) kept += ch;
    const auto number = kept.isEmpty() ? std::nullopt : parseReal(kept.toStdString());
    if (!number) {
        box->setText(lastText);
        return;
    }
    box->setModified(false);
    ShowValue(box, step, kSourceUser, SnapToScale(hintNumber(box), *number));
    m_model.lastAcceptedText = box->text().toStdString();
}

int ParameterViews::TogglePassButton(BitmapButton* button) {
    if (hintOf(button) == "1") {
        setHint(button, "0");
        button->setUpLook(BitmapButton::Look::Dimmed);
        return 0;
    }
    setHint(button, "1");
    button->setUpLook(BitmapButton::Look::Down);
    return 1;
}

int ParameterViews::TogglePhaseButton(BitmapButton* button) {
    if (hintNumber(button) != 0) {
        button->setText("+");
        setHint(button, "0");
        return 0;
    }
    setHint(button, "1");
    button->setText("-");
    return 1;
}

int ParameterViews::SelectChannelTab(BitmapButton* button, BitmapButton* other, int buttonIndex) {
    button->setUpLook(BitmapButton::Look::Down);
    button->setBoldCaption(true);
    other->setUpLook(BitmapButton::Look::Up);
    other->setBoldCaption(false);
    const int module = buttonIndex == 0 ? kMainModule : kAuxModule;
    return module * 256 + buttonIndex;
}

void ParameterViews::SelectBand(QWidget* c) {
    if (m_model.refresh || !qobject_cast<QLineEdit*>(c)) return;
    const int pos = m_model.bandPosition(tagOf(c));
    if (pos == 255) return;
    m_model.selectedBand[static_cast<std::size_t>(m_model.currentChannel)] = pos / 256;
    m_model.previousEditBox = m_model.currentEditBox;
}

}  // namespace vt::ui
