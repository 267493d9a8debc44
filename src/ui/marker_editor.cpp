// Marker drags, Q drags and their application on the editor tick.
#include "ui/marker_editor.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>

#include "eq/eq_graph_panel.h"
#include "eq/graph_image_view.h"
#include "eq/marker_widget.h"
#include "model/rounding.h"
#include "model/scales.h"
#include "ui/edit_history.h"
#include "ui/main_window.h"
#include "ui/parameter_views.h"

namespace vt::ui {
namespace {

constexpr int kFirstInactiveMarker = 15;  // EP10 and EP11 carry no handlers
constexpr int kHighPassMarker = 9;
constexpr int kLowPassMarker = 10;
constexpr float kMinFrequency = 19.0f;
constexpr float kMaxFrequency = 20600.0f;

}  // namespace

MarkerEditor::MarkerEditor(MainWindow& window, ParameterViews& views, EqGraphPanel& graph)
    : QObject(&window), m_window(window), m_views(views), m_model(views.model()), m_graph(graph) {
    for (int i = 0; i <= kLowPassMarker; ++i)
        if (QWidget* m = m_graph.marker(i)) m->installEventFilter(this);
    m_graph.imageView()->installEventFilter(this);
    m_graph.valueLabel()->installEventFilter(this);
    m_graph.passLabel()->installEventFilter(this);
    m_graph.installEventFilter(this);
}

int MarkerEditor::bandAddress(int field) const {
    const int channel = m_model.currentChannel;
    return channel * 256 + kFirstBandSlot[static_cast<std::size_t>(channel)] + 5 * m_markerIndex +
           field;
}

bool MarkerEditor::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease)
        return QObject::eventFilter(watched, event);
    auto* e = static_cast<QMouseEvent*>(event);
    auto* w = qobject_cast<QWidget*>(watched);
    if (dynamic_cast<MarkerWidget*>(watched)) {
        m_window.wakeEditorTick();
        if (type == QEvent::MouseButtonPress)
            EP1MouseDown(w, e);
        else if (type == QEvent::MouseMove)
            EP1MouseMove(w, e);
        else
            EP1MouseUp(w, e);
        return true;
    }
    if (watched == m_graph.imageView() || watched == m_graph.valueLabel() ||
        watched == m_graph.passLabel()) {
        if (m_qDrag) m_window.wakeEditorTick();
        if (type == QEvent::MouseMove)
            Image1MouseMove(w, e);
        else if (type == QEvent::MouseButtonRelease && watched == m_graph.imageView())
            Image1MouseUp(w, e);
        else if (type == QEvent::MouseButtonRelease)
            endAllDrags();
        return false;
    }
    if (watched == &m_graph && type == QEvent::MouseButtonRelease) endAllDrags();
    return QObject::eventFilter(watched, event);
}

void MarkerEditor::EP1MouseDown(QWidget* marker, QMouseEvent* e) {
    m_window.editHistory().beginDrag();
    marker->setCursor(Qt::CrossCursor);
    m_lastPoint = e->position().toPoint();
    m_markerDrag = true;
    if (m_qDrag) return;
    m_markerIndex = static_cast<MarkerWidget*>(marker)->index();
    m_qDrag = false;
    if (e->button() == Qt::LeftButton) {
        if (m_markerIndex >= kFirstInactiveMarker) return;
        if (auto* box = qobject_cast<QLineEdit*>(m_views.primary(bandAddress(kFieldFreq)))) {
            m_window.MusFreEdit1Click(box);
            return;
        }
        const bool main = m_model.currentChannel == kMainModule;
        const char* name = nullptr;
        if (m_markerIndex == kHighPassMarker) name = main ? "MusHighPassFre" : "AuxHighPassFre";
        if (m_markerIndex == kLowPassMarker) name = main ? "MusLowPassFre" : "AuxLowPassFre";
        if (!name) return;
        auto* box = qobject_cast<QLineEdit*>(m_views.control(name));
        if (main)
            m_window.MusFreEdit1Click(box);
        else
            m_views.setCurrentEditBox(box);
    } else if (e->button() == Qt::RightButton) {
        if (m_markerIndex >= kHighPassMarker) {
            m_markerDrag = false;
            return;
        }
        if (auto* box = qobject_cast<QLineEdit*>(m_views.primary(bandAddress(kFieldPeakQ)))) {
            if (box->isEnabled()) m_window.MusFreEdit1Click(box);
            m_qDrag = true;
        }
    }
}

bool MarkerEditor::qStep(int x) {
    if (m_markerIndex >= kFirstInactiveMarker) return false;
    if (x - m_lastPoint.x() > 2)
        m_views.AcceptTypedText(kStepUp);
    else if (m_lastPoint.x() - x > 2)
        m_views.AcceptTypedText(kStepDown);
    else
        return false;
    m_markerBeingEdited = m_markerIndex;
    return true;
}

void MarkerEditor::EP1MouseMove(QWidget* marker, QMouseEvent* e) {
    if (m_markerIndex == -1) return;
    const QPoint at = e->position().toPoint();
    if (m_qDrag) {
        if (qStep(at.x())) m_lastPoint = at;
        return;
    }
    if (!m_markerDrag) return;
    const int h = marker->height();
    const int half = h / 2;
    int dx = at.x() - m_lastPoint.x();
    int dy = at.y() - m_lastPoint.y();
    auto* type = qobject_cast<QComboBox*>(m_views.primary(bandAddress(kFieldType)));
    if ((type && type->currentIndex() > 2) || m_markerIndex > 8) dy = 0;

    QPoint pos = marker->pos();
    if (dx != 0) pos.rx() += dx;
    if (dy != 0) pos.ry() += dy;
    const GraphGeometry& g = m_graph.geometry();
    const QRect image = m_graph.imageView()->geometry();
    if (pos.y() < image.top() - half) pos.setY(image.top() - half);
    if (pos.y() > static_cast<int>(roundHalfEven(image.top() + image.height() - half)))
        pos.setY(image.top() + image.height() - half);
    if (pos.x() < g.XOfFrequency(kMinFrequency) - half)
        pos.setX(static_cast<int>(roundHalfEven(g.XOfFrequency(kMinFrequency))) - half);

    m_pendingFrequency = static_cast<float>(roundHalfEven(g.FrequencyOfX(pos.x() + half)));
    m_pendingGain = static_cast<float>(g.GainOfY(pos.y() + half));
    if (m_pendingFrequency < kMinFrequency) {
        m_pendingFrequency = kMinFrequency;
    } else if (m_pendingFrequency > kMaxFrequency) {
        m_pendingFrequency = kMaxFrequency;
        pos.setX(static_cast<int>(roundHalfEven(g.XOfFrequency(kMaxFrequency) - half)));
    }
    m_pendingGain = std::clamp(m_pendingGain, -24.0f, 12.0f);
    marker->move(pos);
    m_markerBeingEdited = m_markerIndex;
    if (dx != 0)
        m_pendingFrequencyIndex = static_cast<float>(SnapToScale(kViewFreq, m_pendingFrequency));
    if (dy != 0) m_pendingGainStep = static_cast<float>(SnapToScale(kViewGain, m_pendingGain));
}

void MarkerEditor::EP1MouseUp(QWidget* marker, QMouseEvent* e) {
    if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton) return;
    m_qDrag = false;
    if (m_markerDrag) {
        m_markerDrag = false;
        marker->unsetCursor();
    }
}

void MarkerEditor::Image1MouseMove(QWidget* image, QMouseEvent* e) {
    if (!(e->buttons() & Qt::RightButton) || !m_qDrag || m_markerIndex >= kFirstInactiveMarker)
        return;
    if (image == m_graph.imageView()) image->setCursor(Qt::CrossCursor);
    const QPoint at = e->position().toPoint();
    if (qStep(at.x())) {
        m_markerDrag = false;
        m_lastPoint = at;
    }
}

void MarkerEditor::Image1MouseUp(QWidget* image, QMouseEvent* e) {
    if (e->button() == Qt::RightButton) {
        if (m_qDrag) {
            m_markerDrag = false;
            m_qDrag = false;
            if (m_markerIndex >= 0 && m_markerIndex < kFirstInactiveMarker)
                if (auto* box = qobject_cast<QLineEdit*>(m_views.primary(bandAddress(kFieldPeakQ)));
                    box && box->isEnabled())
                    m_window.MusFreEdit1Click(box);
            image->unsetCursor();
        }
    } else if (e->button() == Qt::LeftButton) {
        endAllDrags();
    }
}

void MarkerEditor::endAllDrags() {
    m_markerDrag = false;
    m_qDrag = false;
}

void MarkerEditor::applyPending() {
    const BandList& list = m_graph.composer().bands();
    const auto k = static_cast<std::size_t>(std::clamp(m_markerBeingEdited, 0, kBandListSize - 1));
    auto box = [this](const std::string& name) -> QWidget* {
        return name.empty() ? m_views.placeholder() : m_views.control(name);
    };
    const bool freqChanged = m_pendingFrequencyIndex != m_lastFrequencyIndex;
    const bool gainChanged = m_pendingGainStep != m_lastGainStep;
    if (freqChanged) {
        m_views.ShowValue(box(list.freqBox[k]), 0, kSourceUser, m_pendingFrequencyIndex);
        m_lastFrequencyIndex = m_pendingFrequencyIndex;
    }
    if (gainChanged) {
        m_lastGainStep = m_pendingGainStep;
        m_views.ShowValue(box(list.gainBox[k]), 0, kSourceUser, m_pendingGainStep);
    }
}

}  // namespace vt::ui
