// Line series and log-frequency charts of fit curves.
#include "ui/fit_chart.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace vt::ui {

using eqfile::FitCurve;

QLineSeries* fitSeries(const FitCurve& curve, const QString& name, const QColor& colour,
                       double width) {
    auto* s = new QLineSeries;
    s->setName(name);
    const FitCurve& freq = eqfile::fitFrequencies();
    for (std::size_t i = 0; i < eqfile::kFitPoints; ++i) s->append(freq[i], curve[i]);
    QPen pen(colour);
    pen.setWidthF(width);
    s->setPen(pen);
    return s;
}

QChartView* fitChart(const QList<QLineSeries*>& curves, const QString& objectName, double minSpan) {
    auto* chart = new QChart;
    chart->setMargins(QMargins(4, 4, 4, 4));
    auto* x = new QLogValueAxis;
    x->setRange(eqfile::kFitLowHz, eqfile::kFitHighHz);
    x->setBase(10.0);
    x->setLabelFormat("%g");
    x->setMinorTickCount(8);
    x->setTitleText("Hz");
    auto* y = new QValueAxis;
    double low = -minSpan, high = minSpan;
    for (auto* s : curves)
        for (const QPointF& p : s->points()) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    y->setRange(std::floor(low - 1.0), std::ceil(high + 1.0));
    y->applyNiceNumbers();
    y->setLabelFormat("%g");
    y->setTitleText("dB");
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (auto* s : curves) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }
    chart->legend()->setVisible(curves.size() > 1);
    chart->legend()->setAlignment(Qt::AlignTop);
    auto* view = new QChartView(chart);
    view->setObjectName(objectName);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

QString dbText(double value) {
    return QLocale::c().toString(value, 'f', 2) + " dB";
}

}  // namespace vt::ui
