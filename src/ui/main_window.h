// The main window: every parameter control, the graph area, the function pages, the command bar,
// start-up (FormCreate, FormShow), channel tabs, the factory page toggle and image application.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "model/parameter_model.h"
#include "model/text_pairs.h"
#include "ui/parameter_views.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QWheelEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace vt::eqfile {
struct ParameterWrite;
}

namespace vt {
class EqGraphPanel;
class ModelCurveSource;
}  // namespace vt

namespace vt::ui {

class BitmapButton;
class CompressorEditor;
class MarkerEditor;
class MeterBar;
class DialogService;
class EditHistory;
enum class Refusal;

inline constexpr const char* kApplicationTitle = "VORTELLA Audio Controller";
inline constexpr const char* kWindowTitle = "KV Series DSP Control Software v3.4.3 Beta";
inline constexpr int kClientWidth = 1171;
inline constexpr int kClientHeight = 678;

// What the window needs of the link; connected to the link engine by the program.
struct LinkAccess {
    std::function<int()> linkState = [] { return 0; };
    std::function<void()> connect = [] {};
    // Writes the device image into the unit when it is connected (a loaded preset).
    std::function<void()> writeImage = [] {};
    // After the store command was written: wait for the unit to confirm it.
    std::function<void()> awaitSave = [] {};
    // Sends a Bluetooth text packet whose payload is `payload` (at most 24 bytes).
    std::function<void(const QByteArray& payload)> sendBluetooth = [](const QByteArray&) {};
    // Opens the link window for service work.
    std::function<void()> showLinkWindow = [] {};
    // Settings are still on their way to the unit (see Link::changesInFlight).
    std::function<bool()> changesInFlight = [] { return false; };
};

// A close waits this long at most for settings still on their way to the unit.
inline constexpr int kCloseWaitMs = 3000;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(ParameterModel& model, DialogService& dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    void setLinkAccess(LinkAccess access) { m_link = std::move(access); }

    ParameterViews& views() { return m_views; }
    ParameterModel& model() { return m_model; }
    CompressorEditor& compressor() { return *m_compressor; }
    MarkerEditor& markerEditor() { return *m_markerEditor; }
    EditHistory& editHistory() { return *m_history; }

    // Centres the window on the screen that holds the pointer (before it is first shown).
    void placeOnPointerScreen();

    // Start-up steps and window operations.
    void FormShow();
    void FormTabBtn3Click(BitmapButton* sender);
    void RzBmpButton1Click();
    void LinkBtnClick();
    void ApplyDeviceImage();
    void ResetEQ(int channel);
    void Timer1Timer();

    int activeFunctionPage() const;
    // Shows the hidden factory page toggle for service work.
    void revealFactoryToggle();

    // The equaliser graph and its redraw of one slot (or all, band 20) of a channel.
    EqGraphPanel& graph() const { return *m_graph; }
    void redrawGraph(int band, int channel);
    QLabel* linkLabel() const { return m_linkLabel; }

    // Volume bar position, as the receive parser reports it.
    void setVolumeBar(int position);
    void setMeter(int index, int value);

    // Band edit boxes and the whole-equaliser buttons (edit_box_handlers.cpp).
    void MusFreEdit1Click(QLineEdit* sender);
    void MusFreEdit1Exit();
    void ResetBtnClick();
    void MusEQAllpassBtnClick();
    // Device commands and Bluetooth texts (device_commands.cpp).
    void DeviceSaveBtnClick(QPushButton* sender);
    void BleButtonClick(QPushButton* sender);
    // Preset file buttons (preset_buttons.cpp).
    void SaveFileBtnClick();
    void LoadFileBtnClick();
    // Filter list import (filter_import.cpp): Ctrl+I and the "Import..." button.
    void ImportFilterFile();
    // Automatic EQ from a measurement (auto_eq.cpp): Ctrl+Shift+I and the "Auto EQ..." button.
    void AutoEqualize();
    // Writes parameters (the caller makes them one step of the history), then brings the window
    // and the graph in line with them.
    void applyParameterWrites(const std::vector<eqfile::ParameterWrite>& writes);
    int wheelArmed() const { return m_wheelArmed; }
    int language() const { return m_language; }
    // Every text with two languages is shown in `flag`'s language from now on.
    void setLanguage(int flag);
    // The text of `pair` in the window's language.
    QString textOf(const TextPair& pair) const;
    // Why an undo or redo changed less than asked, as the window says it.
    QString refusalText(Refusal why, const QString& names) const;
    // The editor tick runs only while a drag or an undrawn change needs it.
    bool editorTickRunning() const { return m_editorTimer.isActive(); }
    void wakeEditorTick();
    // How long a close waits for settings on their way to the unit (tests shorten it).
    void setCloseWaitLimit(int ms) { m_closeWaitMs = ms; }

  signals:
    // The user switched the language (Ctrl+Shift+E); the choice is to be remembered.
    void languageSwitched(int flag);
    // The window has closed (after any wait for settings on their way to the unit).
    void closed();

  protected:
    void showEvent(QShowEvent* event) override;
    // While settings are on their way to the unit, the window closes once they have arrived
    // (or the link gave up, or kCloseWaitMs passed), so the last change is not cut off.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Construction of the areas (main_window_layout.cpp).
    void buildCommandBar(QWidget* client);
    void buildFunctionPages(QWidget* client);
    void buildMainPage(QWidget* page);
    void buildFactoryPage(QWidget* page);
    void buildAuxGroup(QWidget* parent);
    void buildVolumePanel(QWidget* client);
    void buildAuxOutputPanel(QWidget* client);
    void buildGraphArea(QWidget* client);
    void buildBandGrid(QWidget* parent, const QString& prefix, const QString& bypassPrefix,
                       int bands, QPoint origin, int columnWidth, int rowHeight);
    void connectHandlers();
    void connectTrackBar(QSlider* bar);
    void installEditBoxHandlers();
    void connectDeviceCommands();
    void installFilterImport();
    void installAutoEq();
    // A small underlined button in the PC File group's title row, and its shortcut, both calling
    // `action`.
    void addPcFileLink(const char* name, const QString& text, const QString& tip, int x, int width,
                       const QKeySequence& keys, void (MainWindow::*action)());
    bool MusFreEdit1KeyDown(QLineEdit* sender, QKeyEvent* key);
    // One arrow or wheel step of the current edit box, as one (mergeable) step of the history.
    void stepCurrentBox(int step);
    void installUndoActions();
    bool editBoxEvent(QLineEdit* box, QEvent* event);
    // A wheel notch anywhere over the window: steps the armed edit box, else reaches only a
    // value control that has the keyboard focus. True when the notch was used up here.
    bool routeWheel(QWidget* receiver, QWheelEvent* event);
    // The current edit box is the one the user armed last, while it is on show; else none.
    void restoreCurrentEditBox();
    bool editBoxArmed() const;
    // Visible and not covered by another group of the window.
    bool isOnShow(const QWidget* w) const;
    // Asks a Yes/No question; true only for Yes with the link still in the state it had before
    // the question (the unit may be lost or read again while the box is open).
    bool confirm(const QString& question, bool needsConnection);

    // Shared change handlers of the parameter controls (control_handlers.cpp).
    void MusModeBox1Change(QComboBox* box);
    void MusBypassCheck1Click(QCheckBox* box);
    void OutRDelayBarChange(QSlider* bar);
    void OutLPhaseBtnClick(BitmapButton* button);
    void DEQALLPASSBtn1Click(BitmapButton* button);
    void LMH_BYPSSBoxChange(QComboBox* box);
    void SysInputRadio1Click(QRadioButton* radio);
    void SysMusNormalVolBarChange(int position);

    ParameterModel& m_model;
    DialogService& m_dialogs;
    ParameterViews m_views;
    LinkAccess m_link;
    CompressorEditor* m_compressor = nullptr;
    MarkerEditor* m_markerEditor = nullptr;
    EditHistory* m_history = nullptr;
    QTimer m_editorTimer;
    QTimer m_closeWait;
    QElapsedTimer m_closeClock;
    int m_closeWaitMs = kCloseWaitMs;
    bool m_closing = false;
    bool m_shown = false;
    int m_wheelArmed = 0;
    int m_language = 0;  // 1 shows the Chinese text of every bilingual pair
    QSet<QObject*> m_bandEditBoxes;
    QPointer<QLineEdit> m_armedBox;  // the edit box the user armed last
    bool m_barStepOpen = false;      // a track bar is held with the mouse: one history step
    LastChange m_lastDrawnChange;

    EqGraphPanel* m_graph = nullptr;
    std::unique_ptr<ModelCurveSource> m_curveSource;
    QTabWidget* m_pages = nullptr;
    QGroupBox* m_auxGroup = nullptr;
    QLabel* m_linkLabel = nullptr;
    QLabel* m_versionLabel = nullptr;
    QLabel* m_eqFormLabel = nullptr;
    MeterBar* m_leftMeter = nullptr;
    MeterBar* m_rightMeter = nullptr;
    BitmapButton* m_tab1 = nullptr;
    BitmapButton* m_tab2 = nullptr;
    BitmapButton* m_factoryToggle = nullptr;
    BitmapButton* m_eqPassButton = nullptr;
    std::array<QRadioButton*, 3> m_inputRadios{};
};

}  // namespace vt::ui
