// The compressor curve editor: five points shown in ten spin edits and drawn in a chart, shaped,
// written to Main slots 8..12 and coloured by the compressor's on/off box.
#pragma once

#include <QList>
#include <QObject>
#include <QPointF>
#include <array>
#include <functional>

#include "model/compressor_curve.h"

class QChart;
class QChartView;
class QComboBox;
class QGraphicsSimpleTextItem;
class QLineSeries;
class QScatterSeries;
class QSpinBox;
class QWidget;

namespace vt {
class ParameterModel;
}

namespace vt::ui {

inline constexpr int kCurveShow = 0;
inline constexpr int kCurveEdit = 2;
inline constexpr int kCurveApply = 3;

class CompressorEditor : public QObject {
    Q_OBJECT
  public:
    // Asks the reset question; true to go on. The window's confirmation, which also checks that
    // the unit was not read again while the question was open.
    using Confirm = std::function<bool(const QString& question)>;

    // Builds `Chart1`, `RmsResetBtn` and the spin edits inside `panel` at the given origin.
    CompressorEditor(ParameterModel& model, Confirm confirm, QWidget* panel, int left, int top);

    void setOnOffBox(QComboBox* box) { m_onOff = box; }
    void setPoints(const Curve& points) { m_points = points; }
    const Curve& points() const { return m_points; }

    void CurvePoint(int mode);
    void RmsResetBtnClick();

    QChartView* chartView() const { return m_view; }

  private:
    void prepareChart();
    void placeLabels();
    void RzSpinEdit2Change();

    ParameterModel& m_model;
    Confirm m_confirm;
    QComboBox* m_onOff = nullptr;
    QChartView* m_view = nullptr;
    QChart* m_chart = nullptr;
    QLineSeries* m_reference = nullptr;  // Series3
    QLineSeries* m_curve = nullptr;      // Series1
    QScatterSeries* m_marks = nullptr;   // Series2
    std::array<QGraphicsSimpleTextItem*, kCurvePoints> m_labels{};
    QList<QPointF> m_labelled;  // the points in their own order, for their labels
    std::array<QSpinBox*, kCurvePoints> m_inputs{};
    std::array<QSpinBox*, kCurvePoints> m_outputs{};
    Curve m_points{};
    Curve m_shown{};  // what the spin edits last showed
    bool m_busy = false;
};

}  // namespace vt::ui
