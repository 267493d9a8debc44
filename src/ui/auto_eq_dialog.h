// The automatic EQ dialog: a measurement and a target chosen, the channel's bands searched off the
// user-interface thread with progress, the measurement, the target and the predicted result on
// one chart with the error figures, and Apply or Cancel (which also stops a search).
#pragma once

#include <QDialog>
#include <QThread>
#include <atomic>
#include <memory>
#include <vector>

#include "autoeq/auto_fit.h"

class QChartView;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace vt::ui {

class DialogService;

class AutoEqDialog : public QDialog {
    Q_OBJECT
  public:
    AutoEqDialog(DialogService& dialogs, int module, QWidget* parent = nullptr);
    ~AutoEqDialog() override;

    // Reads a measurement (or a target file) and starts a new search; false, with the reason
    // shown in the dialog, when the file cannot be used.
    bool setMeasurement(const QString& path);
    bool setTargetFile(const QString& path);
    void setFlatTarget();

    bool searching() const { return m_worker != nullptr; }
    // The last finished search, set once one has finished.
    const autoeq::AutoFit* found() const { return m_result.get(); }

    void reject() override;

  private:
    void chooseMeasurement();
    void chooseTarget(int index);
    void start();
    void stop();
    void searchDone();
    void showChart();

    DialogService& m_dialogs;
    int m_module;
    std::vector<autoeq::ResponsePoint> m_measurement;
    std::vector<autoeq::ResponsePoint> m_target;  // empty: flat
    autoeq::Correction m_correction;
    std::unique_ptr<autoeq::AutoFit> m_result;
    // The search's thread and what it hands back; the thread only reads m_correction's copy.
    QThread* m_worker = nullptr;
    int m_generation = 0;  // of the search whose end is awaited; a stopped one's end is ignored
    std::atomic<bool> m_stop{false};
    std::unique_ptr<autoeq::AutoFit> m_found;

    QLineEdit* m_measurementName;
    QComboBox* m_targetChoice;
    QVBoxLayout* m_chartPlace;
    QChartView* m_chart = nullptr;
    QProgressBar* m_progress;
    QLabel* m_figures;
    QPushButton* m_apply;
};

}  // namespace vt::ui
