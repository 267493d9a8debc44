// Parameter views: how every edit box, combo box and value pane shows its slot, how typed text
// becomes a parameter write, and the toggles of the pass, phase and channel tab buttons.
#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

#include "model/parameter_model.h"
#include "ui/controls.h"

namespace vt::ui {

inline constexpr int kStepUp = 1;
inline constexpr int kStepDown = 11;
inline constexpr int kSourceUser = 0;
inline constexpr int kSourceImage = 1;

class ParameterViews {
  public:
    explicit ParameterViews(ParameterModel& model) : m_model(model) {}

    // Finds every control of the slot map (and the placeholder) below `root` by object name.
    void attach(QWidget* root);

    // Binding step: the model's tables and device image, plus each control's tag property.
    void bindControls();

    QWidget* control(const QString& name) const { return m_controls.value(name); }
    QWidget* control(const std::string& name) const {
        return control(QString::fromStdString(name));
    }
    QWidget* control(const char* name) const { return control(QString::fromUtf8(name)); }
    QWidget* primary(int address) const;
    QWidget* companion(int address) const;
    QLineEdit* placeholder() const { return m_placeholder; }
    QLineEdit* currentEditBox() const;
    void setCurrentEditBox(QWidget* box);

    // Shows `value` in `control`. From the image, what the unit holds is shown and nothing is
    // written: a value beyond the control's range shows as its nearest end, marked (range_mark.h).
    // From the user, the value is stepped, held to the range and written.
    void ShowValue(QWidget* control, int step, int source, double value);
    void AcceptTypedText(int step);
    // A bar or combo box showing what the unit holds (`index`: the item for it), marked when it
    // cannot; nothing is written.
    void showOnBar(QSlider* bar, int held);
    void showOnCombo(QComboBox* combo, int index, int held);
    // A box with focus and text the user has typed since it last showed a value.
    static bool isBeingEdited(const QLineEdit* box);
    // The unit's value changed while the user was typing in `box` (and the typing was kept).
    static bool overtakenWhileTyping(const QLineEdit* box);
    // Drops the user's typing: the box shows what the unit holds again.
    void revertBox(QLineEdit* box);
    int TogglePassButton(BitmapButton* button);
    int TogglePhaseButton(BitmapButton* button);
    int SelectChannelTab(BitmapButton* button, BitmapButton* otherButton, int buttonIndex);
    void SelectBand(QWidget* control);

    ParameterModel& model() { return m_model; }
    // Called whenever a view records a new last change (the graph then has work to do).
    void setChangeListener(std::function<void()> listener) { m_changed = std::move(listener); }

  private:
    int qLimit(int address) const;

    ParameterModel& m_model;
    QHash<QString, QWidget*> m_controls;
    QPointer<QLineEdit> m_placeholder;
    std::function<void()> m_changed;
};

}  // namespace vt::ui
