// The whole window program in a test: a private runtime folder (the window's control service
// listens there, so a test never meets a real owner or another test's window), and the program
// started, with the user's typing and preset loading as helpers.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <fstream>
#include <memory>

#include "../ui/window_fixture.h"
#include "presets/preset_codec.h"
#include "ui/controller_app.h"
#include "ui/edit_history.h"
#include "ui/main_window.h"

namespace vt::test {

// XDG_RUNTIME_DIR points at a new private folder for as long as this lives.
class PrivateRuntimeDir {
  public:
    PrivateRuntimeDir() : m_old(qgetenv("XDG_RUNTIME_DIR")) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
    }
    ~PrivateRuntimeDir() {
        if (m_old.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", m_old);
    }
    PrivateRuntimeDir(const PrivateRuntimeDir&) = delete;
    PrivateRuntimeDir& operator=(const PrivateRuntimeDir&) = delete;

  private:
    QByteArray m_old;
    QTemporaryDir m_dir;
};

class WindowProgram : public ::testing::Test {
  protected:
    // Starts the window program on the simulated unit.
    void startWindow() {
        devices::HubOptions options;
        options.simulate = true;
        app = std::make_unique<ui::ControllerApp>(options, dialogs);
        app->start();
        label = app->mainWindow().findChild<QLabel*>("LinkLabel");
    }
    bool waitForLabel(const QString& text, int ms = 20000) {
        return QTest::qWaitFor([&] { return label->text() == text; }, ms);
    }
    // Types `typed` into the edit box `name` and accepts it as one step, as Enter does.
    QLineEdit* type(const char* name, const QString& typed) {
        auto* box = app->mainWindow().findChild<QLineEdit*>(name);
        app->mainWindow().views().setCurrentEditBox(box);
        box->setText(typed);
        app->mainWindow().views().AcceptTypedText(0);
        app->mainWindow().editHistory().commit();
        return box;
    }
    // Writes `file` as the preset file show.Nddt; its path.
    QString writePreset(const DeviceImage& file) {
        const QString path = presetDir.filePath("show.Nddt");
        std::ofstream(path.toStdString(), std::ios::binary)
            << presets::presetFileText(presets::savePresetLines(file, app->model().deviceVariant));
        return path;
    }
    // Loads `file` through the window's Load button as the preset file show.Nddt.
    void loadPreset(const DeviceImage& file) {
        dialogs.openName = writePreset(file);
        app->mainWindow().LoadFileBtnClick();
    }

    PrivateRuntimeDir runtimeDir;
    ScriptedDialogs dialogs;
    std::unique_ptr<ui::ControllerApp> app;
    QLabel* label = nullptr;
    QTemporaryDir presetDir;
};

// The window program on a simulated unit, started and connected.
class ConnectedWindow : public WindowProgram {
  protected:
    void SetUp() override {
        startWindow();
        ASSERT_TRUE(waitForLabel("Device Connected"));
    }
};

}  // namespace vt::test
