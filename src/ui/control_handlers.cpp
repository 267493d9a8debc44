// The shared change handlers of the parameter controls: type boxes, bypass boxes, track bars,
// phase and pass buttons, plain combo boxes, input radios and the volume display.
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

#include "model/scales.h"
#include "model/slot_map.h"
#include "ui/compressor_editor.h"
#include "ui/edit_history.h"
#include "ui/main_window.h"
#include "ui/range_mark.h"

namespace vt::ui {
void MainWindow::connectHandlers() {
    for (const auto& b : SlotMap::instance().bindings()) {
        QWidget* w = m_views.control(b.control->name);
        if (!w) continue;
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            const std::string& name = b.control->name;
            if (name == "InputBox" || name.rfind("DEQTypeBox", 0) == 0)
                continue;  // set by code only
            const bool plain = name == "RMSBox" || name == "SubSteroBox" || name == "SysIOLevelBox";
            if (plain)
                connect(combo, &QComboBox::activated, this,
                        [this, combo] { LMH_BYPSSBoxChange(combo); });
            else
                connect(combo, &QComboBox::activated, this,
                        [this, combo] { MusModeBox1Change(combo); });
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            connect(check, &QCheckBox::clicked, this,
                    [this, check] { MusBypassCheck1Click(check); });
        } else if (auto* bar = qobject_cast<QSlider*>(w)) {
            if (b.control->name == "SysMusNormalVolBar")
                connect(bar, &QSlider::valueChanged, this, &MainWindow::SysMusNormalVolBarChange);
            else
                connectTrackBar(bar);
        } else if (auto* button = qobject_cast<BitmapButton*>(w)) {
            if (button->role() == BitmapButton::Role::Phase)
                connect(button, &QPushButton::clicked, this,
                        [this, button] { OutLPhaseBtnClick(button); });
            else if (button->role() == BitmapButton::Role::Pass && button != m_eqPassButton)
                connect(button, &QPushButton::clicked, this,
                        [this, button] { DEQALLPASSBtn1Click(button); });
        }
    }
    for (auto* radio : m_inputRadios)
        connect(radio, &QRadioButton::clicked, this, [this, radio] { SysInputRadio1Click(radio); });
    connect(m_tab1, &QPushButton::clicked, this, [this] { FormTabBtn3Click(m_tab1); });
    connect(m_tab2, &QPushButton::clicked, this, [this] { FormTabBtn3Click(m_tab2); });
    connect(m_factoryToggle, &QPushButton::clicked, this, &MainWindow::RzBmpButton1Click);
    if (auto* save = findChild<QPushButton*>("SaveFileBtn"))
        connect(save, &QPushButton::clicked, this, &MainWindow::SaveFileBtnClick);
    if (auto* load = findChild<QPushButton*>("LoadFileBtn"))
        connect(load, &QPushButton::clicked, this, &MainWindow::LoadFileBtnClick);
    if (auto* link = findChild<QPushButton*>("LinkBtn"))
        connect(link, &QPushButton::clicked, this, &MainWindow::LinkBtnClick);
}

void MainWindow::connectTrackBar(QSlider* bar) {
    connect(bar, &QSlider::valueChanged, this, [this, bar] { OutRDelayBarChange(bar); });
    // A bar dragged with the mouse is one step of the history, from press to release.
    // A press without its release (the grab lost to a box or a hidden window) must not leave a
    // step open: one open at a time, closed by whichever release comes.
    connect(bar, &QSlider::sliderPressed, m_history, [this] {
        if (m_barStepOpen) return;
        m_barStepOpen = true;
        m_history->beginAction();
    });
    connect(bar, &QSlider::sliderReleased, m_history, [this] {
        if (!m_barStepOpen) return;
        m_barStepOpen = false;
        m_history->endAction();
    });
}

void MainWindow::MusModeBox1Change(QComboBox* box) {
    const int a = tagOf(box);
    int v = box->currentIndex();
    if (m_model.sendSuppression == 1) return;
    markBeyondRange(box, std::nullopt);  // the user's choice, which the box can show
    if (auto* bypass = qobject_cast<QCheckBox*>(m_views.companion(a));
        bypass && bypass->isChecked())
        v += 10;
    m_model.SendDatatoMCU(a, v);
    const int q = box->currentIndex() == 0 ? a + 3 : a + 4;
    if (QWidget* qBox = m_views.primary(q)) {
        m_views.setCurrentEditBox(qBox);
        m_views.ShowValue(qBox, 0, kSourceImage, m_model.window.at(q));
    }
    m_model.lastChange = {a, v};
    wakeEditorTick();
}

void MainWindow::MusBypassCheck1Click(QCheckBox* box) {
    m_wheelArmed = 0;
    const int tag = tagOf(box);
    const int a = m_model.effectiveAddress(tag);
    if (m_views.companion(tag) != box) return;
    const int base = m_model.window.at(a) % 10;
    const int v = box->isChecked() ? base + 10 : base;
    m_model.SendDatatoMCU(a, v);
    m_model.lastChange = {a, v};
    wakeEditorTick();
}

void MainWindow::OutRDelayBarChange(QSlider* bar) {
    if (m_model.trackBarEchoGuard) return;
    const int a = tagOf(bar);
    if (auto* pane = qobject_cast<ValuePane*>(m_views.companion(a)))
        m_views.ShowValue(pane, 0, kSourceUser, bar->value());
    m_views.setCurrentEditBox(m_views.placeholder());
    m_wheelArmed = 0;
}

void MainWindow::OutLPhaseBtnClick(BitmapButton* button) {
    m_model.SendDatatoMCU(tagOf(button), m_views.TogglePhaseButton(button));
}

void MainWindow::DEQALLPASSBtn1Click(BitmapButton* button) {
    m_model.SendDatatoMCU(tagOf(button), m_views.TogglePassButton(button));
}

void MainWindow::LMH_BYPSSBoxChange(QComboBox* box) {
    markBeyondRange(box, std::nullopt);
    m_model.SendDatatoMCU(tagOf(box), box->currentIndex());
    m_compressor->CurvePoint(kCurveShow);
}

void MainWindow::SysInputRadio1Click(QRadioButton* radio) {
    auto* input = qobject_cast<QComboBox*>(m_views.control("InputBox"));
    if (!input) return;
    {
        const QSignalBlocker blocker(input);
        input->setCurrentIndex(tagOf(radio));
    }
    markBeyondRange(input, std::nullopt);
    for (auto* r : m_inputRadios) markBeyondRange(r, std::nullopt);
    m_model.SendDatatoMCU(tagOf(input), input->currentIndex());
}

void MainWindow::SysMusNormalVolBarChange(int position) {
    if (auto* pane = qobject_cast<QLabel*>(m_views.control("SysMusNormalVolPane")))
        pane->setText(QString::fromStdString(volumeText(position)));
}

}  // namespace vt::ui
