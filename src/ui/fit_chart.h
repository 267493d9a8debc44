// Charts of curves on the fit's 500 frequencies: a line series per curve on a logarithmic
// frequency axis, for the filter import preview and the automatic EQ dialog.
#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include "eqfile/exact_response.h"

class QChartView;
class QLineSeries;

namespace vt::ui {

QLineSeries* fitSeries(const eqfile::FitCurve& curve, const QString& name, const QColor& colour,
                       double width);

// A chart of `curves` over 20 Hz..20 kHz with a dB axis that holds them all and at least
// `minSpan` dB around zero.
QChartView* fitChart(const QList<QLineSeries*>& curves, const QString& objectName, double minSpan);

// "1.23 dB" whatever the locale.
QString dbText(double value);

}  // namespace vt::ui
