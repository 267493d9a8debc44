// Building the import preview: two charts on a logarithmic frequency axis and the lists below.
#include "ui/filter_import_dialog.h"

#include <QChartView>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/fit_chart.h"

namespace vt::ui {
using eqfile::FitCurve;

FilterImportDialog::FilterImportDialog(const eqfile::ChannelFit& fit, const QString& fileName,
                                       QWidget* parent)
    : QDialog(parent) {
    setObjectName("FilterImportDialog");
    const QString channel = fit.module == 1 ? "Main" : "Auxiliary";
    setWindowTitle("Import filters: " + QFileInfo(fileName).fileName());
    auto* layout = new QVBoxLayout(this);

    auto* heading = new QLabel(QString("Fitted to the %1 channel's %2 bands")
                                   .arg(channel)
                                   .arg(static_cast<int>(fit.bands.size())),
                               this);
    layout->addWidget(heading);

    FitCurve difference{};
    for (std::size_t i = 0; i < eqfile::kFitPoints; ++i)
        difference[i] = fit.fittedCurve[i] - fit.fileCurve[i];
    layout->addWidget(fitChart({fitSeries(fit.fileCurve, "File", QColor(110, 160, 230), 4.0),
                                fitSeries(fit.fittedCurve, "Fitted", QColor(220, 90, 20), 1.5)},
                               "ResponseChart", 6.0),
                      3);
    layout->addWidget(fitChart({fitSeries(difference, "Residual", QColor(120, 40, 140), 1.5)},
                               "ResidualChart", 1.0),
                      2);

    auto* residual = new QLabel(QString("Residual: largest %1, RMS %2")
                                    .arg(dbText(fit.residual.maxAbsDb), dbText(fit.residual.rmsDb)),
                                this);
    residual->setObjectName("ResidualLabel");
    layout->addWidget(residual);
    if (fit.preampDb) {
        layout->addWidget(new QLabel(QString("Preamp of %1 (line %2) is not applied")
                                         .arg(dbText(*fit.preampDb))
                                         .arg(fit.preampLine),
                                     this));
    }

    auto* dropped = new QListWidget(this);
    dropped->setObjectName("DroppedList");
    // A file of junk would otherwise fill the list with a line each: the first lines tell enough.
    const std::size_t shown = std::min(fit.dropped.size(), kShownDropped);
    for (std::size_t i = 0; i < shown; ++i) {
        const auto& d = fit.dropped[i];
        dropped->addItem(
            QString("Line %1: %2  (%3)")
                .arg(d.line)
                .arg(QString::fromStdString(d.reason), QString::fromStdString(d.text)));
    }
    if (fit.dropped.size() > shown)
        dropped->addItem(QString("... and %1 more lines").arg(fit.dropped.size() - shown));
    if (fit.dropped.empty()) dropped->addItem("Every filter of the file was fitted.");
    dropped->setMaximumHeight(90);
    layout->addWidget(new QLabel("Dropped:", this));
    layout->addWidget(dropped);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Apply | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("ImportButtons");
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(760, 640);
}

}  // namespace vt::ui
