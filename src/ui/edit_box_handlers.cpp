// The shared handlers of the band edit boxes (click, exit, arrow keys, key filter), the mouse
// wheel over the whole window, and the two whole-equaliser buttons "EQ Reset" and "EQ PASS".
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

#include "eq/eq_graph_panel.h"
#include "link/link_state.h"
#include "model/slot_map.h"
#include "ui/dialog_service.h"
#include "ui/edit_history.h"
#include "ui/main_window.h"

namespace vt::ui {
namespace {

// Controls whose value a wheel notch may change, and then only while they have the focus.
bool isValueControl(const QWidget* w) {
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w);
}

// A typed value is taken only when the focus moves on to another control of the same window:
// not when a message box or another window takes the focus, nor when a popup opens.
bool focusMovedWithin(const QWidget* window, Qt::FocusReason reason) {
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
    const QWidget* next = QApplication::focusWidget();
    return next && next->window() == window;
}

// Ctrl and Alt keys that a band box may still act on: they select or copy and insert nothing.
bool isHarmlessEditingKey(QKeyEvent* key) {
    return key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll);
}

}  // namespace

void MainWindow::installEditBoxHandlers() {
    for (const auto& b : SlotMap::instance().bindings()) {
        if (b.control->kind != ControlKind::Edit) continue;
        if (auto* box = qobject_cast<QLineEdit*>(m_views.control(b.control->name)))
            m_bandEditBoxes.insert(box);
    }
    // Value controls take the focus from a click or the keyboard, never from the wheel.
    for (QWidget* w : findChildren<QWidget*>())
        if (isValueControl(w)) w->setFocusPolicy(Qt::StrongFocus);
    // The window sees every event first: wheel notches go to the widget under the pointer, and
    // the band boxes' events come here before the boxes act on them.
    qApp->installEventFilter(this);
    if (auto* reset = findChild<QPushButton*>("ResetBtn"))
        connect(reset, &QPushButton::clicked, this, &MainWindow::ResetBtnClick);
    connect(m_eqPassButton, &QPushButton::clicked, this, &MainWindow::MusEQAllpassBtnClick);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Every event of the application passes here: only the few kinds handled below go further.
    switch (event->type()) {
        case QEvent::Wheel: {
            auto* receiver = qobject_cast<QWidget*>(watched);
            return receiver && receiver->window() == this &&
                   routeWheel(receiver, static_cast<QWheelEvent*>(event));
        }
        case QEvent::MouseButtonPress:
        case QEvent::FocusOut:
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
            if (m_bandEditBoxes.contains(watched) &&
                editBoxEvent(static_cast<QLineEdit*>(watched), event))
                return true;
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::editBoxEvent(QLineEdit* box, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) MusFreEdit1Click(box);
            return false;
        case QEvent::FocusOut:
            // The unit's value changed while the user typed: leaving the box without
            // confirming shows that value, and the typing is dropped.
            if (ParameterViews::overtakenWhileTyping(box))
                m_views.revertBox(box);
            else if (focusMovedWithin(this, static_cast<QFocusEvent*>(event)->reason()))
                MusFreEdit1Exit();
            return false;
        case QEvent::ShortcutOverride: {
            // Leave Ctrl and Alt combinations to the window's shortcuts.
            auto* key = static_cast<QKeyEvent*>(event);
            return (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                   !isHarmlessEditingKey(key);
        }
        case QEvent::KeyPress:
            return MusFreEdit1KeyDown(box, static_cast<QKeyEvent*>(event));
        default:
            return false;
    }
}

void MainWindow::MusFreEdit1Click(QLineEdit* sender) {
    auto* box = qobject_cast<QLineEdit*>(m_views.primary(tagOf(sender)));
    if (!box) return;
    m_views.setCurrentEditBox(box);
    m_armedBox = box;
    box->setFocus(Qt::MouseFocusReason);
    m_wheelArmed = 1;
    // The box shows what the unit holds and its band is selected; a click writes nothing. Text
    // the user is typing stays.
    m_views.ShowValue(box, 0, kSourceImage,
                      m_model.window.at(m_model.effectiveAddress(tagOf(box))));
    if (!ParameterViews::isBeingEdited(box)) m_model.lastAcceptedText = box->text().toStdString();
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
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return !isHarmlessEditingKey(key);  // shortcuts never insert their characters
    switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Right:
            stepCurrentBox(kStepUp);
            return false;  // the caret moves as usual
        case Qt::Key_Down:
        case Qt::Key_Left:
            stepCurrentBox(kStepDown);
            return false;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            m_views.setCurrentEditBox(sender);
            MusFreEdit1Exit();
            return true;
        case Qt::Key_Escape:
            m_views.revertBox(sender);
            return true;
        default:
            break;
    }
    // Key press filter: digits, "-", "." and editing keys reach the box, nothing else.
    const QString text = key->text();
    if (text.isEmpty()) return false;
    const QChar c = text.front();
    if (c == '\b' || c == '-' || c == '.' || c.isDigit()) {
        m_views.setCurrentEditBox(sender);
        m_armedBox = sender;
        return false;
    }
    return c.isPrint();
}

void MainWindow::stepCurrentBox(int step) {
    m_history->beginBoxStep();
    m_views.AcceptTypedText(step);
    m_history->endAction();
}

bool MainWindow::isOnShow(const QWidget* w) const {
    if (!w || !w->isVisibleTo(this)) return false;
    // The Auxiliary group lies over the Main equaliser's controls while it is on show.
    const QWidget* covered = m_auxGroup->parentWidget();
    return !(m_auxGroup->isVisibleTo(this) && covered->isAncestorOf(w) &&
             !m_auxGroup->isAncestorOf(w));
}

bool MainWindow::editBoxArmed() const {
    const QLineEdit* box = m_views.currentEditBox();
    return m_wheelArmed == 1 && box != m_views.placeholder() && isOnShow(box);
}

bool MainWindow::routeWheel(QWidget* receiver, QWheelEvent* event) {
    if (editBoxArmed()) {
        const int delta = event->angleDelta().y();
        if (delta > 0)
            stepCurrentBox(kStepUp);
        else if (delta < 0)
            stepCurrentBox(kStepDown);
        event->accept();
        return true;
    }
    // A value control under the pointer changes only while it has the focus; nothing else in
    // the window (the graph, the compressor chart) reacts to the wheel.
    for (QWidget* w = receiver; w && w != this; w = w->parentWidget())
        if (isValueControl(w)) return !w->hasFocus();
    return true;
}

void MainWindow::restoreCurrentEditBox() {
    QLineEdit* armed = m_armedBox;
    if (isOnShow(armed))
        m_views.setCurrentEditBox(armed);
    else
        m_model.currentEditBox.clear();
}

bool MainWindow::confirm(const QString& question, bool needsConnection) {
    const int before = m_link.linkState();
    if (needsConnection && before != kConnected) return false;
    if (!m_dialogs.askYesNo(this, textOf(texts::kConfirmCaption), question)) return false;
    return m_link.linkState() == before;
}

void MainWindow::ResetBtnClick() {
    if (!confirm(textOf(texts::kResetAllEq), false)) return;
    m_history->beginAction(m_model.currentChannel == kMainModule ? "EQ Reset (Main)"
                                                                 : "EQ Reset (Auxiliary)");
    ResetEQ(m_model.currentChannel);
    m_history->endAction();
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
