// The compressor curve editor's routine, chart and spin edits.
#include "ui/compressor_editor.h"

#include <algorithm>

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGraphicsSimpleTextItem>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QValueAxis>

#include "model/parameter_model.h"
#include "model/rounding.h"
#include "ui/controls.h"
#include "ui/range_mark.h"

namespace vt::ui {
namespace {

const QColor kCurveOn(36, 197, 209);
const QColor kCurveOff(150, 150, 150);
const QColor kReference(255, 255, 128);
const QColor kMark(62, 240, 240);

QValueAxis* makeAxis(const QString& title) {
    auto* axis = new QValueAxis;
    axis->setRange(-90, 20);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(20);
    axis->setLabelFormat("%.0f");
    axis->setTitleText(title);
    QFont f = axis->titleFont();
    f.setPixelSize(11);
    axis->setTitleFont(f);
    f.setPixelSize(10);
    axis->setLabelsFont(f);
    return axis;
}

}  // namespace

CompressorEditor::CompressorEditor(ParameterModel& model, Confirm confirm, QWidget* panel, int left,
                                   int top)
    : QObject(panel), m_model(model), m_confirm(std::move(confirm)) {
    m_chart = new QChart;
    m_chart->legend()->hide();
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    m_chart->setBackgroundRoundness(0);
    m_chart->setPlotAreaBackgroundBrush(Qt::white);
    m_chart->setPlotAreaBackgroundPen(QPen(QColor(128, 128, 128)));
    m_chart->setPlotAreaBackgroundVisible(true);

    m_reference = new QLineSeries;
    m_reference->setObjectName("Series3");
    m_reference->setPen(QPen(kReference, 1, Qt::DotLine));
    m_curve = new QLineSeries;
    m_curve->setObjectName("Series1");
    m_curve->setPen(QPen(kCurveOff, 2));
    m_marks = new QScatterSeries;
    m_marks->setObjectName("Series2");
    m_marks->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    m_marks->setMarkerSize(2);
    m_marks->setColor(kMark);
    m_marks->setBorderColor(QColor(40, 120, 130));
    for (QAbstractSeries* s :
         {static_cast<QAbstractSeries*>(m_reference), static_cast<QAbstractSeries*>(m_curve),
          static_cast<QAbstractSeries*>(m_marks)})
        m_chart->addSeries(s);
    auto* x = makeAxis("Input Level/dBu");
    auto* y = makeAxis("Output Level/dBu");
    m_chart->addAxis(x, Qt::AlignBottom);
    m_chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : m_chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    for (int i = 0; i < kCurvePoints; ++i) {
        auto* label = new QGraphicsSimpleTextItem(QString::number(i), m_chart);
        QFont f = label->font();
        f.setPixelSize(10);
        label->setFont(f);
        label->setBrush(QColor(0, 90, 110));
        m_labels[static_cast<std::size_t>(i)] = label;
    }
    connect(m_chart, &QChart::plotAreaChanged, this, &CompressorEditor::placeLabels);

    m_view = new QChartView(m_chart, panel);
    m_view->setObjectName("Chart1");
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setGeometry(left, top, 318, 160);

    auto* reset = new QPushButton("Reset", m_view);
    reset->setObjectName("RmsResetBtn");
    reset->setGeometry(262, 6, 50, 20);
    connect(reset, &QPushButton::clicked, this, &CompressorEditor::RmsResetBtnClick);

    // Spin edits: a row of point numbers, a row of inputs and a row of outputs.
    const int gridTop = top + 164;
    const char* rowTitles[] = {"Point", "Input/dB", "Output/dB"};
    for (int r = 0; r < 3; ++r) {
        auto* title = new QLabel(rowTitles[r], panel);
        title->setGeometry(left, gridTop + r * 22, 62, 20);
    }
    for (int i = 0; i < kCurvePoints; ++i) {
        const int x0 = left + 64 + i * 51;
        auto* number = new QLabel(QString::number(i), panel);
        number->setAlignment(Qt::AlignCenter);
        number->setGeometry(x0, gridTop, 48, 20);
        auto make = [&](int index, int minimum, int maximum, int row) {
            auto* spin = new QSpinBox(panel);
            spin->setObjectName(QString("RzSpinEdit%1").arg(index));
            spin->setRange(minimum, maximum);
            spin->setKeyboardTracking(false);
            spin->setGeometry(x0, gridTop + row * 22, 48, 20);
            setTag(spin, kCurveFirstSlot + i);
            return spin;
        };
        auto* in = make(2 * i + 1, kCurveInputMin, kCurveInputMax, 1);
        auto* out = make(2 * i + 2, kCurveOutputMin, kCurveOutputMax, 2);
        m_inputs[static_cast<std::size_t>(i)] = in;
        m_outputs[static_cast<std::size_t>(i)] = out;
        if (i == 0 || i == kCurvePoints - 1)
            in->setEnabled(false);
        else
            connect(in, &QSpinBox::valueChanged, this, &CompressorEditor::RzSpinEdit2Change);
        connect(out, &QSpinBox::valueChanged, this, &CompressorEditor::RzSpinEdit2Change);
    }
    prepareChart();
}

void CompressorEditor::prepareChart() {
    m_marks->clear();
    const std::pair<int, int> start[] = {{-90, -90}, {-80, -80}, {-50, -50}, {-20, -20}, {6, 6}};
    m_labelled.clear();
    for (const auto& p : start) m_labelled.append(QPointF(p.first, p.second));
    m_marks->replace(m_labelled);
    m_curve->clear();
    for (const auto& p : start) m_curve->append(p.first, p.second);
    m_reference->clear();
    m_reference->append(-90, -90);
    m_reference->append(21, 21);
    placeLabels();
}

void CompressorEditor::placeLabels() {
    for (int i = 0; i < kCurvePoints && i < m_labelled.size(); ++i) {
        const QPointF at = m_chart->mapToPosition(m_labelled.at(i), m_marks);
        m_labels[static_cast<std::size_t>(i)]->setPos(at + QPointF(3, -14));
    }
}

void CompressorEditor::CurvePoint(int mode) {
    m_busy = true;
    if (mode == kCurveShow) {
        for (int i = 0; i < kCurvePoints; ++i)
            m_points[static_cast<std::size_t>(i)] =
                curvePointOfSlot(m_model.window.at(kMainModule, kCurveFirstSlot + i));
    } else if (mode == kCurveEdit) {
        for (std::size_t i = 0; i < kCurvePoints; ++i)
            m_points[i] = {static_cast<double>(m_inputs[i]->value()),
                           static_cast<double>(m_outputs[i]->value())};
    }
    const Curve held = m_points;
    shapeCurve(m_points);
    for (std::size_t i = 0; i < kCurvePoints; ++i) {
        m_inputs[i]->setValue(static_cast<int>(roundHalfEvenToInt(m_points[i].input)));
        m_outputs[i]->setValue(static_cast<int>(roundHalfEvenToInt(m_points[i].output)));
    }
    for (std::size_t i = 0; i < kCurvePoints; ++i) {
        // A point the spin edits cannot show as the unit holds it is shown shaped, marked, and
        // written only once an edit moves it.
        const bool untouched = mode == kCurveEdit && m_points[i].input == m_shown[i].input &&
                               m_points[i].output == m_shown[i].output;
        if (mode != kCurveShow && untouched) continue;
        auto mark = [&](QSpinBox* spin, double unit) {
            const int number = static_cast<int>(roundHalfEvenToInt(unit));
            markBeyondRange(spin, mode == kCurveShow && spin->value() != number
                                      ? std::optional<int>(number)
                                      : std::nullopt);
        };
        mark(m_inputs[i], held[i].input);
        mark(m_outputs[i], held[i].output);
        if (mode != kCurveShow)
            m_model.window.set(kMainModule, kCurveFirstSlot + static_cast<int>(i),
                               slotOfCurvePoint(m_points[i]));
    }
    m_shown = m_points;
    if (mode != kCurveShow) {
        for (int i = kCurvePoints - 1; i >= 0; --i) {
            const int slot = kCurveFirstSlot + i;
            const int value = m_model.window.at(kMainModule, slot);
            if (value != m_model.device.at(kMainModule, slot))
                m_model.SendDatatoMCU(makeAddress(kMainModule, slot), value);
        }
    }
    // Drawn in order of input level so the line never doubles back; each label stays with its
    // own point.
    QList<QPointF> points;
    for (const auto& p : m_points) points.append(QPointF(p.input, p.output));
    QList<QPointF> sorted = points;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    m_curve->replace(sorted);
    m_marks->replace(sorted);
    m_labelled = points;
    placeLabels();
    m_busy = false;
    const bool on = m_onOff && m_onOff->currentIndex() != 0;
    m_curve->setPen(QPen(on ? kCurveOn : kCurveOff, 2));
}

void CompressorEditor::RzSpinEdit2Change() {
    if (!m_busy) CurvePoint(kCurveEdit);
}

void CompressorEditor::RmsResetBtnClick() {
    if (!m_confirm("确定要复位动态压缩曲线?")) return;
    m_points = defaultCurve();
    CurvePoint(kCurveApply);
}

}  // namespace vt::ui
