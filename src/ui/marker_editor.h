// Editing the equaliser on the graph: dragging a band marker sets its frequency and gain, a
// sideways right-button drag steps its Q. The mouse handlers only move the marker and compute
// pending values; the 10 ms editor tick hands them to the band's edit boxes.
#pragma once

#include <QObject>
#include <QPoint>

namespace vt {
class EqGraphPanel;
class ParameterModel;
}  // namespace vt

class QMouseEvent;

namespace vt::ui {

class MainWindow;
class ParameterViews;

class MarkerEditor : public QObject {
    Q_OBJECT
  public:
    MarkerEditor(MainWindow& window, ParameterViews& views, EqGraphPanel& graph);

    // Step 1 of the editor tick: apply the pending drag values to the band's edit boxes.
    void applyPending();

    int markerIndex() const { return m_markerIndex; }
    bool markerDrag() const { return m_markerDrag; }
    bool qDrag() const { return m_qDrag; }
    // A drag is on, or its last values still wait for the editor tick.
    bool busy() const {
        return m_markerDrag || m_qDrag || m_pendingFrequencyIndex != m_lastFrequencyIndex ||
               m_pendingGainStep != m_lastGainStep;
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void EP1MouseDown(QWidget* marker, QMouseEvent* e);
    void EP1MouseMove(QWidget* marker, QMouseEvent* e);
    void EP1MouseUp(QWidget* marker, QMouseEvent* e);
    void Image1MouseMove(QWidget* image, QMouseEvent* e);
    void Image1MouseUp(QWidget* image, QMouseEvent* e);
    void endAllDrags();
    bool qStep(int x);
    int bandAddress(int field) const;

    MainWindow& m_window;
    ParameterViews& m_views;
    ParameterModel& m_model;
    EqGraphPanel& m_graph;

    int m_markerIndex = -1;
    bool m_markerDrag = false;
    bool m_qDrag = false;
    QPoint m_lastPoint;
    int m_markerBeingEdited = 0;
    float m_pendingFrequency = 0;
    float m_pendingGain = 0;
    float m_pendingFrequencyIndex = 0;
    float m_pendingGainStep = 0;
    float m_lastFrequencyIndex = 0;
    float m_lastGainStep = 0;
};

}  // namespace vt::ui
