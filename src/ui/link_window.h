// The link window: the link's diagnostic face, hidden at start and opened for service work. It
// holds the detected devices, the history of frames written, the report ID of the last frame,
// the transport choice and the serial port list.
#pragma once

#include <QStringList>
#include <QWidget>
#include <cstddef>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace vt::ui {

class LinkWindow : public QWidget {
    Q_OBJECT
  public:
    explicit LinkWindow(QWidget* parent = nullptr);

    // Appends a line after removing the `droppedOldest` lines the link's bounded history let go.
    void AddToHistory(const QString& line, std::size_t droppedOldest = 0);
    void setReportId(const QString& text);
    void setDeviceLines(const QStringList& lines, int selected);
    void setSerialPorts(const QStringList& ports);
    // The edit history's status under the history list: what Ctrl+Z and Ctrl+Y would take back.
    void setEditStatus(const QString& undoText, const QString& redoText);
    // Why the last undo or redo did nothing, after the status until it next changes.
    void noteEditRefused(const QString& why);
    QString editStatus() const;

    // The history list, with every line added so far.
    QListWidget* history() const;
    QListWidget* devices() const { return m_devices; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Lines reach the list widget only when it is on show or asked for: a hidden list that
    // takes a line for every keep-alive poll would lay itself out all day for nobody.
    void flushHistory() const;
    mutable QStringList m_pendingLines;
    mutable std::size_t m_pendingDrops = 0;  // oldest lines of the widget still to remove

    QListWidget* m_devices = nullptr;
    QListWidget* m_history = nullptr;
    QLineEdit* m_reportId = nullptr;
    QLabel* m_editStatus = nullptr;
    QString m_editSteps;  // the status without a refusal's reason after it
    QComboBox* m_transport = nullptr;
    QComboBox* m_ports = nullptr;
};

}  // namespace vt::ui
