// The shared handlers of the band edit boxes (click, exit, arrow keys, key filter), the mouse
// wheel, and the two whole-equaliser buttons "EQ Reset" and "EQ PASS".
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

#include "eq/eq_graph_panel.h"
#include "model/slot_map.h"
#include "ui/dialog_service.h"
#include "ui/main_window.h"

namespace vt::ui {

void MainWindow::installEditBoxHandlers() {
    for (const auto& b : SlotMap::instance().bindings()) {
        if (b.control->kind != ControlKind::Edit) continue;
        if (auto* box = qobject_cast<QLineEdit*>(m_views.control(b.control->name))) {
            box->installEventFilter(this);
            m_bandEditBoxes.insert(box);
        }
    }
    if (auto* reset = findChild<QPushButton*>("ResetBtn"))
        connect(reset, &QPushButton::clicked, this, &MainWindow::ResetBtnClick);
    connect(m_eqPassButton, &QPushButton::clicked, this, &MainWindow::MusEQAllpassBtnClick);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box || !m_bandEditBoxes.contains(box)) return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            MusFreEdit1Click(box);
            break;
        case QEvent::FocusOut:
            MusFreEdit1Exit();
            break;
        case QEvent::KeyPress:
            return MusFreEdit1KeyDown(box, static_cast<QKeyEvent*>(event));
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::MusFreEdit1Click(QLineEdit* sender) {
    auto* box = qobject_cast<QLineEdit*>(m_views.primary(tagOf(sender)));
    if (!box) return;
    m_views.setCurrentEditBox(box);
    box->setFocus(Qt::MouseFocusReason);
    m_wheelArmed = 1;
    m_model.lastAcceptedText = box->text().toStdString();
    const int saved = m_model.sendSuppression;
    m_model.sendSuppression = 1;
    m_views.AcceptTypedText(0);
    m_model.sendSuppression = saved;
}

void MainWindow::MusFreEdit1Exit() {
    QLineEdit* box = m_views.currentEditBox();
    if (!box || box == m_views.placeholder()) return;
    if (box->text().isEmpty()) {
        box->setText(QString::fromStdString(m_model.lastAcceptedText));
        return;
    }
    m_views.AcceptTypedText(0);
}

bool MainWindow::MusFreEdit1KeyDown(QLineEdit* sender, QKeyEvent* key) {
    switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Right:
            m_views.AcceptTypedText(kStepUp);
            return false;  // the caret moves as usual
        case Qt::Key_Down:
        case Qt::Key_Left:
            m_views.AcceptTypedText(kStepDown);
            return false;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            m_views.setCurrentEditBox(sender);
            MusFreEdit1Exit();
            return true;
        default:
            break;
    }
    // Key press filter: digits, "-", "." and editing keys reach the box, nothing else.
    const QString text = key->text();
    if (text.isEmpty() || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    const QChar c = text.front();
    if (c == '\b' || c == '-' || c == '.' || c.isDigit()) {
        m_views.setCurrentEditBox(sender);
        return false;
    }
    return c.isPrint();
}

void MainWindow::wheelEvent(QWheelEvent* event) {
    if (m_wheelArmed != 1) {
        QMainWindow::wheelEvent(event);
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta > 0)
        m_views.AcceptTypedText(kStepUp);
    else if (delta < 0)
        m_views.AcceptTypedText(kStepDown);
    event->accept();
}

void MainWindow::ResetBtnClick() {
    const QString question = m_language == 1 ? "重置所有EQ参数?" : "Reset all EQ parameters?";
    if (!m_dialogs.askYesNo(this, "Confirm", question)) return;
    ResetEQ(m_model.currentChannel);
    redrawGraph(m_model.selectedBand[static_cast<std::size_t>(m_model.currentChannel)],
                m_model.currentChannel);
}

void MainWindow::MusEQAllpassBtnClick() {
    const int v = m_views.TogglePassButton(m_eqPassButton);
    const int address = tagOf(m_eqPassButton);
    m_model.eqPassState[static_cast<std::size_t>(moduleOf(address))] = v;
    m_model.SendDatatoMCU(address, v);
    m_graph->setPassOverlayVisible(v != 0);
}

}  // namespace vt::ui
