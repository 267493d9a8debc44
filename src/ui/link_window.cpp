// Layout and lists of the link window.
#include "ui/link_window.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <algorithm>

namespace vt::ui {

LinkWindow::LinkWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("LinkWindow");
    setWindowTitle("系统");
    resize(760, 420);
    auto* grid = new QGridLayout(this);

    m_transport = new QComboBox(this);
    m_transport->setObjectName("ComboBox1");
    m_transport->addItems({"USB", "UART"});
    m_transport->setCurrentIndex(0);
    m_transport->setEnabled(false);  // the transport is chosen on the command line
    m_ports = new QComboBox(this);
    m_ports->setObjectName("ComComboBox1");
    m_reportId = new QLineEdit("1", this);
    m_reportId->setObjectName("ReportID");
    m_reportId->setReadOnly(true);
    m_reportId->setMaximumWidth(50);
    m_devices = new QListWidget(this);
    m_devices->setObjectName("DevListBox");
    m_history = new QListWidget(this);
    m_history->setObjectName("HistoryListBox");
    m_history->setUniformItemSizes(true);
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    m_history->setFont(mono);

    grid->addWidget(new QLabel("Transport", this), 0, 0);
    grid->addWidget(m_transport, 0, 1);
    grid->addWidget(new QLabel("Serial port", this), 0, 2);
    grid->addWidget(m_ports, 0, 3);
    grid->addWidget(new QLabel("Report ID", this), 0, 4);
    grid->addWidget(m_reportId, 0, 5);
    grid->addWidget(new QLabel("Devices", this), 1, 0, 1, 6);
    grid->addWidget(m_devices, 2, 0, 1, 6);
    grid->addWidget(new QLabel("History", this), 3, 0, 1, 6);
    grid->addWidget(m_history, 4, 0, 1, 6);
    m_editStatus = new QLabel(this);
    m_editStatus->setObjectName("EditStatus");
    grid->addWidget(m_editStatus, 5, 0, 1, 6);
    setEditStatus({}, {});
    grid->setRowStretch(2, 1);
    grid->setRowStretch(4, 4);
}

void LinkWindow::AddToHistory(const QString& line, std::size_t droppedOldest) {
    // The oldest lines are the widget's own, then the pending ones in order.
    const auto widgetLeft = static_cast<std::size_t>(m_history->count()) - m_pendingDrops;
    const std::size_t fromWidget = std::min(droppedOldest, widgetLeft);
    m_pendingDrops += fromWidget;
    const auto fromPending = static_cast<qsizetype>(std::min<std::size_t>(
        droppedOldest - fromWidget, static_cast<std::size_t>(m_pendingLines.size())));
    m_pendingLines.erase(m_pendingLines.begin(), m_pendingLines.begin() + fromPending);
    m_pendingLines.append(line);
    if (isVisible()) {
        flushHistory();
        m_history->setCurrentRow(m_history->count() - 1);
    }
}

QListWidget* LinkWindow::history() const {
    flushHistory();
    return m_history;
}

void LinkWindow::flushHistory() const {
    for (; m_pendingDrops > 0 && m_history->count() > 0; --m_pendingDrops)
        delete m_history->takeItem(0);
    m_pendingDrops = 0;
    if (m_pendingLines.isEmpty()) return;
    m_history->addItems(m_pendingLines);
    m_pendingLines.clear();
}

void LinkWindow::showEvent(QShowEvent* event) {
    flushHistory();
    m_history->setCurrentRow(m_history->count() - 1);
    QWidget::showEvent(event);
}

void LinkWindow::setReportId(const QString& text) {
    m_reportId->setText(text);
}

void LinkWindow::setDeviceLines(const QStringList& lines, int selected) {
    m_devices->clear();
    m_devices->addItems(lines);
    if (selected >= 0 && selected < lines.size()) m_devices->setCurrentRow(selected);
}

void LinkWindow::setSerialPorts(const QStringList& ports) {
    const QString current = m_ports->currentText();
    m_ports->clear();
    m_ports->addItems(ports);
    const int i = m_ports->findText(current);
    if (i >= 0) m_ports->setCurrentIndex(i);
}

void LinkWindow::setEditStatus(const QString& undoText, const QString& redoText) {
    m_editSteps =
        QString("Undo: %1    Redo: %2")
            .arg(undoText.isEmpty() ? "-" : undoText, redoText.isEmpty() ? "-" : redoText);
    m_editStatus->setText(m_editSteps);
}

void LinkWindow::noteEditRefused(const QString& why) {
    m_editStatus->setText(m_editSteps + "    (" + why + ")");
}

QString LinkWindow::editStatus() const {
    return m_editStatus->text();
}

}  // namespace vt::ui
