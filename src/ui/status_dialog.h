// The "Device Status" dialog: a small always-on-top window with the link's text and a progress
// bar, shown while the link connects, transfers or waits for a device command.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace vt::ui {

class StatusDialog : public QDialog {
    Q_OBJECT
  public:
    explicit StatusDialog(QWidget* parent = nullptr);

    // The dialog's label: caption and hint, as the bilingual caption setter gives them.
    void setLabel(const QString& caption, const QString& hint);
    QString labelText() const;
    void setPercent(int percent);
    int percent() const;
    // Shows the dialog on top without moving or resizing it; centred on its parent the first time.
    void showOnTop();

  private:
    QLabel* m_label = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_wait = nullptr;
    bool m_placed = false;
};

}  // namespace vt::ui
