// The main window's life: creation, first show, channel tabs, the factory page toggle, the connect
// button, the editor tick, bringing the whole window in line with the device image, and closing.
#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolTip>

#include "eq/curve_source.h"
#include "eq/eq_graph_panel.h"
#include "link/link_state.h"
#include "model/eq_defaults.h"
#include "model/number_text.h"
#include "model/rounding.h"
#include "model/scales.h"
#include "model/slot_map.h"
#include "ui/compressor_editor.h"
#include "ui/controls.h"
#include "ui/edit_history.h"
#include "ui/marker_editor.h"
#include "ui/meter_bar.h"
#include "ui/range_mark.h"

namespace vt::ui {

MainWindow::MainWindow(ParameterModel& model, DialogService& dialogs, QWidget* parent)
    : QMainWindow(parent), m_model(model), m_dialogs(dialogs), m_views(model) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    auto* client = new QWidget(this);
    client->setObjectName("ClientArea");
    client->setFixedSize(kClientWidth, kClientHeight);
    client->setAutoFillBackground(true);
    QPalette pal = client->palette();
    pal.setColor(QPalette::Window, QColor(150, 150, 150));
    client->setPalette(pal);
    setCentralWidget(client);
    setFixedSize(kClientWidth, kClientHeight);

    buildCommandBar(client);
    buildFunctionPages(client);
    buildVolumePanel(client);
    buildAuxOutputPanel(client);
    buildGraphArea(client);
    m_views.attach(client);
    // After an undo or redo the window follows the image, and the graph's value label shows the
    // selected band as it now is rather than the value just taken back.
    m_history = new EditHistory(
        m_model,
        [this] {
            ApplyDeviceImage();
            const int channel = m_model.currentChannel;
            redrawGraph(m_model.selectedBand[static_cast<std::size_t>(channel)], channel);
        },
        this);
    m_history->setImageWriter([this] { m_link.writeImage(); });
    installUndoActions();
    connectHandlers();
    installEditBoxHandlers();
    m_markerEditor = new MarkerEditor(*this, m_views, *m_graph);
    connectDeviceCommands();
    installFilterImport();
    installAutoEq();

    // A service user reveals the factory page toggle with Ctrl+Shift+F.
    auto* reveal = new QShortcut(QKeySequence("Ctrl+Shift+F"), this);
    connect(reveal, &QShortcut::activated, this, &MainWindow::revealFactoryToggle);
    // The link window (devices and the history of frames) opens with Ctrl+Shift+L.
    auto* linkWindow = new QShortcut(QKeySequence("Ctrl+Shift+L"), this);
    connect(linkWindow, &QShortcut::activated, this, [this] { m_link.showLinkWindow(); });
    // Ctrl+Shift+E switches between English and Chinese.
    auto* language = new QShortcut(QKeySequence("Ctrl+Shift+E"), this);
    connect(language, &QShortcut::activated, this, [this] {
        setLanguage(m_language == kLanguageChinese ? kLanguageEnglish : kLanguageChinese);
        emit languageSwitched(m_language);
    });

    m_views.setChangeListener([this] { wakeEditorTick(); });
    m_editorTimer.setInterval(10);
    connect(&m_editorTimer, &QTimer::timeout, this, &MainWindow::Timer1Timer);
    m_closeWait.setInterval(10);
    connect(&m_closeWait, &QTimer::timeout, this, [this] {
        if (!m_link.changesInFlight() || m_closeClock.elapsed() >= m_closeWaitMs) close();
    });
    setWindowTitle(kWindowTitle);
}

MainWindow::~MainWindow() {
    m_editorTimer.stop();
    m_closeWait.stop();
}

void MainWindow::placeOnPointerScreen() {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame(QPoint(), QSize(kClientWidth, kClientHeight));
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_closing && m_link.changesInFlight()) {
        event->ignore();
        m_closing = true;
        m_closeClock.start();
        m_closeWait.start();
        return;
    }
    m_closeWait.stop();
    m_closing = false;
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

void MainWindow::FormShow() {
    m_views.bindControls();
    ResetEQ(20);
    m_model.currentChannel = kMainModule;
    m_compressor->setPoints(defaultCurve());
    m_compressor->CurvePoint(kCurveApply);
    wakeEditorTick();
    FormTabBtn3Click(m_tab1);
    m_history->clear();  // the start-up defaults are no edit of the user's
}

void MainWindow::FormTabBtn3Click(BitmapButton* sender) {
    const int index = tagOf(sender);
    const int address = m_views.SelectChannelTab(sender, index == 0 ? m_tab2 : m_tab1, index);
    m_model.currentChannel = address / 256;
    const bool main = m_model.currentChannel == kMainModule;
    m_auxGroup->setVisible(!main);
    m_eqPassButton->setVisible(main);
    ApplyDeviceImage();
    m_eqFormLabel->setText(sender->text());
    m_compressor->CurvePoint(kCurveShow);
}

int MainWindow::activeFunctionPage() const {
    return m_pages->currentIndex();
}

void MainWindow::RzBmpButton1Click() {
    if (m_pages->currentIndex() == 0) {
        FormTabBtn3Click(m_tab2);
        m_pages->setCurrentIndex(1);
        m_factoryToggle->setText("主页");
    } else {
        FormTabBtn3Click(m_tab1);
        m_pages->setCurrentIndex(0);
        m_factoryToggle->setText("工厂隐藏");
    }
    ApplyDeviceImage();
}

void MainWindow::installUndoActions() {
    auto* undo = new QAction(this);
    undo->setShortcut(QKeySequence("Ctrl+Z"));
    connect(undo, &QAction::triggered, m_history, &EditHistory::undo);
    auto* redo = new QAction(this);
    redo->setShortcuts({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")});
    connect(redo, &QAction::triggered, m_history, &EditHistory::redo);
    addActions({undo, redo});
    // Only a connected link takes writes: while a preset is written or the unit read again, an
    // undo would change the window and not the unit. The keys then say why, by the link label.
    m_history->setWritable([this] { return m_link.linkState() == kConnected; });
    connect(m_history, &EditHistory::refused, this, [this](Refusal why, const QString& names) {
        QToolTip::showText(m_linkLabel->mapToGlobal(QPoint(0, m_linkLabel->height())),
                           refusalText(why, names), m_linkLabel);
    });
    // A compressor point typed digit by digit, or spun, is one step while it keeps changing.
    for (auto* spin : findChildren<QSpinBox*>())
        connect(spin, &QSpinBox::valueChanged, m_history, &EditHistory::markBoxStep);
}

void MainWindow::setLanguage(int flag) {
    m_language = flag;
}

QString MainWindow::textOf(const TextPair& pair) const {
    return toQString(pick(pair, m_language));
}

QString MainWindow::refusalText(Refusal why, const QString& names) const {
    return why == Refusal::LinkBusy ? textOf(texts::kUndoWaits)
                                    : textOf(texts::kUndoLeftAlone) + names;
}

void MainWindow::revealFactoryToggle() {
    m_factoryToggle->show();
}

void MainWindow::LinkBtnClick() {
    m_link.connect();
}

void MainWindow::wakeEditorTick() {
    if (!m_editorTimer.isActive()) m_editorTimer.start();
}

void MainWindow::Timer1Timer() {
    m_markerEditor->applyPending();
    // Redraw after a change: only the band of the last written parameter.
    if (m_model.lastChange.address != m_lastDrawnChange.address ||
        m_model.lastChange.value != m_lastDrawnChange.value) {
        m_lastDrawnChange = m_model.lastChange;
        const int pos = m_model.bandPosition(m_lastDrawnChange.address);
        if (pos != 255) redrawGraph(pos / 256, m_lastDrawnChange.address / 256);
    }
    // Nothing left to apply or draw: sleep until the next drag or edit wakes the tick.
    // A drag is one step of the history from the press until its last value is written.
    if (!m_markerEditor->busy()) {
        m_history->endDrag();
        m_editorTimer.stop();
    }
}

void MainWindow::ApplyDeviceImage() {
    m_model.refresh = true;
    m_model.sendSuppression = 1;
    m_model.copyDeviceToWindow();

    for (int module = 0; module < kModuleCount; ++module) {
        for (int slot = 0; slot < kSlotCount[static_cast<std::size_t>(module)]; ++slot) {
            const int address = makeAddress(module, slot);
            QWidget* c = m_views.primary(address);
            if (!c) continue;
            const int v = m_model.window.at(module, slot);
            if (auto* bar = qobject_cast<QSlider*>(c)) {
                // The pane shows the value and places its bar; neither writes.
                auto* pane = qobject_cast<ValuePane*>(m_views.companion(address));
                if (pane && hintNumber(pane) > 5) {
                    m_views.ShowValue(pane, 0, kSourceImage, v);
                } else {
                    m_views.showOnBar(bar, v);
                    markBeyondRange(m_views.companion(address), heldBeyondRange(bar));
                }
            } else if (auto* button = qobject_cast<BitmapButton*>(c)) {
                if (button->role() == BitmapButton::Role::Phase) {
                    setHint(button, v == 0 ? "1" : "0");
                    m_views.TogglePhaseButton(button);
                } else if (button->role() == BitmapButton::Role::Pass && button != m_eqPassButton) {
                    setHint(button, v == 0 ? "1" : "0");
                    m_views.TogglePassButton(button);
                }
            } else if (auto* combo = qobject_cast<QComboBox*>(c)) {
                if (auto* bypass = qobject_cast<QCheckBox*>(m_views.companion(address))) {
                    m_views.showOnCombo(combo, v % 10, v);
                    bypass->setChecked(v / 10 != 0);
                } else {
                    m_views.showOnCombo(combo, v, v);
                }
            } else if (qobject_cast<QLineEdit*>(c)) {
                m_views.ShowValue(c, 0, kSourceImage, v);
            }
        }
    }

    setHint(m_eqPassButton, m_model.window.at(kMainModule, slot_ids::kMainEqPass) == 0 ? "1" : "0");
    m_model.eqPassState[kMainModule] = m_views.TogglePassButton(m_eqPassButton);

    if (auto* input = qobject_cast<QComboBox*>(m_views.control("InputBox"))) {
        const int source = input->currentIndex();
        if (source >= 0 && source < 3)
            m_inputRadios[static_cast<std::size_t>(source)]->setChecked(true);
        // The radio of the box's nearest end carries its mark.
        for (int i = 0; i < 3; ++i)
            markBeyondRange(m_inputRadios[static_cast<std::size_t>(i)],
                            i == source ? heldBeyondRange(input) : std::nullopt);
    }

    const int version = m_model.window.at(kSystemModule, slot_ids::kSysVersion);
    if (m_link.linkState() != 0) {
        m_versionLabel->setText(QString("版本号:%1.%2.%3")
                                    .arg(QString::fromStdString(formatInt(version & 0xFF)))
                                    .arg(m_model.window.at(kSystemModule, slot_ids::kSysMinor))
                                    .arg(m_model.window.at(kSystemModule, slot_ids::kSysPatch)));
        m_model.deviceVariant = deviceVariantFromVersion(version);
        setWindowTitle(QString(kWindowTitle) + "[Connected]");
    } else {
        setWindowTitle(kWindowTitle);
    }

    m_model.lastChange = m_lastDrawnChange;
    m_model.refresh = false;
    restoreCurrentEditBox();
    m_compressor->CurvePoint(kCurveShow);
    redrawGraph(20, m_model.currentChannel);
    m_model.sendSuppression = 0;
}

void MainWindow::ResetEQ(int channel) {
    for (int m = 0; m < kModuleCount; ++m) {
        if (m != channel && channel != 20) continue;
        const int bands = kBandCount[static_cast<std::size_t>(m)];
        for (int b = 0; b < bands; ++b) {
            for (int f = 0; f < 5; ++f) {
                const int slot = bandSlot(m, b, f);
                const int value = eqDefaultValue(m, b, f);
                m_model.SendDatatoMCU(makeAddress(m, slot), value);
            }
        }
    }
    ApplyDeviceImage();
}

void MainWindow::redrawGraph(int band, int channel) {
    m_graph->RedrawCurve(band, channel);
}

void MainWindow::setVolumeBar(int position) {
    if (auto* bar = qobject_cast<QSlider*>(m_views.control("SysMusNormalVolBar")))
        bar->setValue(position);
}

void MainWindow::setMeter(int index, int value) {
    (index == 0 ? m_leftMeter : m_rightMeter)->setValue(value);
}

}  // namespace vt::ui
