// What the window program remembers between runs (QSettings): the main window's position and the
// folder of the last preset file loaded or saved; and where a remembered position may be used.
#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSettings>
#include <QString>
#include <optional>

class QWidget;

namespace vt::ui {

class WindowMemory {
  public:
    // Keeps its values in `settings`, which must outlive it.
    explicit WindowMemory(QSettings& settings) : m_settings(settings) {}

    std::optional<QPoint> position() const;
    void setPosition(QPoint topLeft);
    // An empty string when no folder is remembered.
    QString presetFolder() const;
    // Remembers the folder that holds `file`.
    void rememberPresetFile(const QString& file);
    // Forgets the position and the preset folder; whatever else the settings hold (the language)
    // stays.
    void forget();

  private:
    QSettings& m_settings;
};

// `remembered` when a window of `size` placed there keeps its title bar on one of `screens`
// (available geometries), else nullopt: the caller centres the window instead.
std::optional<QPoint> usablePosition(std::optional<QPoint> remembered, QSize size,
                                     const QList<QRect>& screens);

// Moves `window` to the remembered position if it lies on a present screen; false when it did
// not (nothing remembered, or that screen is gone).
bool restoreWindowPosition(QWidget& window, const WindowMemory& memory);

// Remembers the window's position whenever it is closed or hidden.
class PositionKeeper : public QObject {
  public:
    PositionKeeper(QWidget& window, WindowMemory& memory);
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget& m_window;
    WindowMemory& m_memory;
};

}  // namespace vt::ui
