// The automatic EQ dialog: file choice, the search on a worker thread, the chart and the figures.
#include "ui/auto_eq_dialog.h"

#include <QChartView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/modules.h"
#include "ui/dialog_service.h"
#include "ui/fit_chart.h"

namespace vt::ui {
namespace {

constexpr const char* kResponseFiles = "Measurements (*.txt *.csv *.frd);;All files (*)";
constexpr int kFlatTarget = 0;
constexpr int kTargetFile = 1;

QString problemText(const QString& path, const autoeq::ResponseRead& read) {
    QString where = QFileInfo(path).fileName();
    if (read.line > 0) where += QString(", line %1").arg(read.line);
    return where + ": " + QString::fromStdString(read.problem);
}

}  // namespace

AutoEqDialog::AutoEqDialog(DialogService& dialogs, int module, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs), m_module(module) {
    setObjectName("AutoEqDialog");
    setWindowTitle(QString("Auto EQ: %1 channel, %2 bands")
                       .arg(module == kMainModule ? "Main" : "Auxiliary")
                       .arg(kBandCount[static_cast<std::size_t>(module)]));
    auto* layout = new QVBoxLayout(this);

    auto* form = new QFormLayout;
    auto* measurementRow = new QHBoxLayout;
    m_measurementName = new QLineEdit(this);
    m_measurementName->setObjectName("MeasurementName");
    m_measurementName->setReadOnly(true);
    m_measurementName->setPlaceholderText("A measured response: frequency and level pairs");
    auto* choose = new QPushButton("Choose...", this);
    choose->setObjectName("ChooseMeasurement");
    connect(choose, &QPushButton::clicked, this, &AutoEqDialog::chooseMeasurement);
    measurementRow->addWidget(m_measurementName, 1);
    measurementRow->addWidget(choose);
    form->addRow("Measurement:", measurementRow);
    m_targetChoice = new QComboBox(this);
    m_targetChoice->setObjectName("TargetChoice");
    m_targetChoice->addItems({"Flat", "From a file..."});
    connect(m_targetChoice, &QComboBox::activated, this, &AutoEqDialog::chooseTarget);
    form->addRow("Target:", m_targetChoice);
    layout->addLayout(form);

    m_chartPlace = new QVBoxLayout;
    layout->addLayout(m_chartPlace, 1);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName("SearchProgress");
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->hide();
    layout->addWidget(m_progress);
    m_figures = new QLabel("Choose a measurement.", this);
    m_figures->setObjectName("FiguresLabel");
    layout->addWidget(m_figures);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Apply | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("AutoEqButtons");
    m_apply = buttons->button(QDialogButtonBox::Apply);
    m_apply->setEnabled(false);
    connect(m_apply, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AutoEqDialog::reject);
    layout->addWidget(buttons);
    resize(780, 560);
}

AutoEqDialog::~AutoEqDialog() {
    stop();
}

void AutoEqDialog::chooseMeasurement() {
    const QString chosen = m_dialogs.openFileName(this, kResponseFiles);
    if (!chosen.isEmpty()) setMeasurement(chosen);
}

void AutoEqDialog::chooseTarget(int index) {
    if (index == kFlatTarget) {
        setFlatTarget();
        return;
    }
    const QString chosen = m_dialogs.openFileName(this, kResponseFiles);
    if (chosen.isEmpty() || !setTargetFile(chosen))
        m_targetChoice->setCurrentIndex(m_target.empty() ? kFlatTarget : kTargetFile);
}

bool AutoEqDialog::setMeasurement(const QString& path) {
    const autoeq::ResponseRead read =
        autoeq::loadResponse(path.toStdString(), autoeq::kFewestMeasurementPoints);
    if (!read.problem.empty()) {
        m_figures->setText(problemText(path, read));
        return false;
    }
    m_measurement = read.points;
    m_measurementName->setText(QFileInfo(path).fileName());
    start();
    return true;
}

bool AutoEqDialog::setTargetFile(const QString& path) {
    const autoeq::ResponseRead read =
        autoeq::loadResponse(path.toStdString(), autoeq::kFewestTargetPoints);
    if (!read.problem.empty()) {
        m_figures->setText(problemText(path, read));
        return false;
    }
    m_target = read.points;
    m_targetChoice->setItemText(kTargetFile, QFileInfo(path).fileName());
    m_targetChoice->setCurrentIndex(kTargetFile);
    start();
    return true;
}

void AutoEqDialog::setFlatTarget() {
    m_target.clear();
    m_targetChoice->setItemText(kTargetFile, "From a file...");
    m_targetChoice->setCurrentIndex(kFlatTarget);
    start();
}

void AutoEqDialog::start() {
    stop();
    m_result.reset();
    m_apply->setEnabled(false);
    if (m_measurement.empty()) return;
    m_correction = autoeq::correctionOf(m_measurement, m_target);
    showChart();
    m_progress->setValue(0);
    m_progress->show();
    m_figures->setText("Searching...");
    m_stop = false;
    m_found.reset();
    // The thread reads its own copy of the correction and writes m_found, which the user-interface
    // thread reads only after the thread has finished.
    m_worker = QThread::create([this, correction = m_correction, module = m_module] {
        auto found = std::make_unique<autoeq::AutoFit>(
            autoeq::autoFit(correction, module, [this](double done) {
                QMetaObject::invokeMethod(
                    m_progress,
                    [bar = m_progress, done] { bar->setValue(static_cast<int>(done * 1000)); },
                    Qt::QueuedConnection);
                return !m_stop.load();
            }));
        m_found = std::move(found);
    });
    connect(m_worker, &QThread::finished, this, [this, generation = ++m_generation] {
        if (generation == m_generation) searchDone();
    });
    m_worker->start();
}

void AutoEqDialog::stop() {
    if (!m_worker) return;
    ++m_generation;
    m_stop = true;
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
    m_found.reset();
    m_progress->hide();
}

void AutoEqDialog::searchDone() {
    m_worker->wait();
    m_worker->deleteLater();
    m_worker = nullptr;
    m_progress->hide();
    if (!m_found || m_found->cancelled) return;
    m_result = std::move(m_found);
    const autoeq::Figures& f = m_result->figures;
    m_figures->setText(QString("RMS error %1 before, %2 after; largest error after %3")
                           .arg(dbText(f.rmsBeforeDb), dbText(f.rmsAfterDb), dbText(f.maxAfterDb)));
    m_apply->setEnabled(true);
    showChart();
}

void AutoEqDialog::showChart() {
    // Measurement and target as levelled for the fit; the prediction is the measurement with the
    // bands, which lies on the target where the correction could be followed.
    QList<QLineSeries*> curves{
        fitSeries(m_correction.measurement, "Measurement", QColor(110, 160, 230), 2.0),
        fitSeries(m_correction.target, "Target", QColor(60, 60, 60), 1.0)};
    if (m_result) {
        eqfile::FitCurve predicted = m_correction.measurement;
        eqfile::addCurve(predicted, m_result->fit.fittedCurve);
        curves.push_back(fitSeries(predicted, "Predicted", QColor(220, 90, 20), 2.0));
        curves.push_back(fitSeries(m_result->fit.fittedCurve, "EQ", QColor(120, 40, 140), 1.0));
    }
    auto* chart = fitChart(curves, "AutoEqChart", 6.0);
    if (m_chart) {
        delete m_chartPlace->replaceWidget(m_chart, chart);  // the old item is ours to delete
        delete m_chart;
    } else {
        m_chartPlace->addWidget(chart);
    }
    m_chart = chart;
}

void AutoEqDialog::reject() {
    stop();
    QDialog::reject();
}

}  // namespace vt::ui
