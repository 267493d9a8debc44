// The status dialog's fixed layout and its progress display.
#include "ui/status_dialog.h"

#include <QLabel>
#include <QProgressBar>

#include "ui/app_font.h"

namespace vt::ui {

StatusDialog::StatusDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint) {
    setObjectName("StatusDialog");
    setWindowTitle("Device Status");
    setFixedSize(313, 91);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(209, 209, 224));
    pal.setColor(QPalette::WindowText, QColor(20, 20, 40));
    setPalette(pal);

    m_label = new QLabel("Offline", this);
    m_label->setObjectName("LinkLabel");
    m_label->setFont(applicationFont(11));
    m_label->setGeometry(26, 8, 270, 18);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName("RzProgressStatus1");
    m_progress->setGeometry(24, 32, 265, 20);
    // Percentages above 100 (while the end sign of a transfer is outstanding) show a full bar
    // with the real figure as text.
    m_progress->setRange(0, 100);
    m_progress->setValue(100);
    m_progress->setAlignment(Qt::AlignCenter);
    m_progress->setStyleSheet(
        "QProgressBar { background: rgb(181,170,165); border: 1px solid rgb(120,110,105); "
        "color: white; } QProgressBar::chunk { background: qlineargradient(x1:0,y1:0,x2:1,y2:0, "
        "stop:0 rgb(79,79,117), stop:1 rgb(90,90,135)); }");

    m_wait = new QLabel(" Please wait a moment, it may take a few seconds!", this);
    m_wait->setObjectName("Label1");
    QFont waitFont = m_wait->font();
    waitFont.setPixelSize(11);
    m_wait->setFont(waitFont);
    m_wait->setGeometry(24, 62, 285, 16);  // the whole sentence fits in the dialog
}

void StatusDialog::setLabel(const QString& caption, const QString& hint) {
    m_label->setText(caption);
    m_label->setToolTip(hint);
}

QString StatusDialog::labelText() const {
    return m_label->text();
}

void StatusDialog::setPercent(int percent) {
    m_progress->setValue(std::clamp(percent, 0, 100));
    m_progress->setFormat(QString("%1%").arg(percent));
    m_progress->setProperty("percent", percent);
}

int StatusDialog::percent() const {
    return m_progress->property("percent").toInt();
}

void StatusDialog::showOnTop() {
    if (!m_placed && parentWidget()) {
        const QRect p = parentWidget()->frameGeometry();
        move(p.center() - QPoint(width() / 2, height() / 2));
        m_placed = true;
    }
    if (!isVisible()) show();
    raise();
}

}  // namespace vt::ui
