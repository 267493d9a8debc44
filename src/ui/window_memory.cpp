// The remembered window position and preset folder, and the check that a position is on screen.
#include "ui/window_memory.h"

#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace vt::ui {
namespace {

constexpr const char* kPositionKey = "window/position";
constexpr const char* kPresetFolderKey = "presets/folder";
// The part of the window's top edge that must be on a screen so the user can grab it.
constexpr int kGrabHeight = 30;
constexpr int kGrabWidth = 100;

}  // namespace

std::optional<QPoint> WindowMemory::position() const {
    const QVariant v = m_settings.value(kPositionKey);
    if (!v.isValid() || !v.canConvert<QPoint>()) return std::nullopt;
    return v.toPoint();
}

void WindowMemory::setPosition(QPoint topLeft) {
    m_settings.setValue(kPositionKey, topLeft);
}

QString WindowMemory::presetFolder() const {
    return m_settings.value(kPresetFolderKey).toString();
}

void WindowMemory::rememberPresetFile(const QString& file) {
    if (file.isEmpty()) return;
    m_settings.setValue(kPresetFolderKey, QFileInfo(file).absolutePath());
}

void WindowMemory::forget() {
    m_settings.remove(kPositionKey);
    m_settings.remove(kPresetFolderKey);
    m_settings.sync();
}

std::optional<QPoint> usablePosition(std::optional<QPoint> remembered, QSize size,
                                     const QList<QRect>& screens) {
    if (!remembered) return std::nullopt;
    const QRect grab(*remembered, QSize(std::min(kGrabWidth, size.width()), kGrabHeight));
    for (const QRect& screen : screens)
        if (screen.contains(grab)) return remembered;
    return std::nullopt;
}

bool restoreWindowPosition(QWidget& window, const WindowMemory& memory) {
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens()) screens.push_back(s->availableGeometry());
    const auto at = usablePosition(memory.position(), window.size(), screens);
    if (!at) return false;
    window.move(*at);
    return true;
}

PositionKeeper::PositionKeeper(QWidget& window, WindowMemory& memory)
    : QObject(&window), m_window(window), m_memory(memory) {
    window.installEventFilter(this);
}

bool PositionKeeper::eventFilter(QObject* watched, QEvent* event) {
    // A closed window is hidden too: Hide alone catches both.
    if (watched == &m_window && event->type() == QEvent::Hide) m_memory.setPosition(m_window.pos());
    return QObject::eventFilter(watched, event);
}

}  // namespace vt::ui
