// A shown main window with a scripted dialog service and a recorder of parameter writes.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "eqfile/channel_fit.h"
#include "model/parameter_model.h"
#include "ui/controls.h"
#include "ui/dialog_service.h"
#include "ui/main_window.h"

namespace vt::test {

struct ScriptedDialogs : ui::DialogService {
    std::deque<bool> answers;  // Yes/No answers in order; No when empty
    std::vector<QString> asked;
    std::vector<QString> told;
    std::function<void()> whileOpen;  // runs while a question is on show, as timers would
    bool askYesNo(QWidget*, const QString& caption, const QString& text) override {
        asked.push_back(caption + "|" + text);
        if (whileOpen) whileOpen();
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void inform(QWidget*, const QString& caption, const QString& text) override {
        told.push_back(caption + "|" + text);
    }
    QString openName, saveName;  // what the file dialogs answer; empty cancels
    QString openFileName(QWidget*, const QString&) override { return openName; }
    QString saveFileName(QWidget*, const QString&) override { return saveName; }
    bool applyFit = false;  // the answer of the filter import preview
    int fitPreviews = 0;
    bool previewFilterFit(QWidget*, const eqfile::ChannelFit&, const QString&) override {
        ++fitPreviews;
        return applyFit;
    }
    std::optional<eqfile::ChannelFit> autoFit;  // what the automatic EQ dialog answers
    std::vector<int> autoEqModules;
    bool autoEq(QWidget*, int module, eqfile::ChannelFit& fit) override {
        autoEqModules.push_back(module);
        if (autoFit) fit = *autoFit;
        return autoFit.has_value();
    }
};

struct WriteRecorder : WriteSink {
    std::vector<std::pair<int, int>> writes;
    void queueWrite(int address, int value) override { writes.emplace_back(address, value); }
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model.setWriteSink(&recorder);
        window = std::make_unique<ui::MainWindow>(model, dialogs);
        ui::LinkAccess link;
        link.linkState = [this] { return linkState; };
        window->setLinkAccess(link);
        window->show();
        recorder.writes.clear();
    }

    template <typename T = QWidget>
    T* w(const char* name) const {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char* name) const {
        if (auto* e = window->findChild<QLineEdit*>(name)) return e->text();
        if (auto* l = window->findChild<QLabel*>(name)) return l->text();
        ADD_FAILURE() << "no text control " << name;
        return {};
    }
    // Types into an edit box and accepts it, as Enter does.
    void type(const char* name, const QString& typed, int step = 0) {
        auto* box = w<QLineEdit>(name);
        window->views().setCurrentEditBox(box);
        model.lastAcceptedText = box->text().toStdString();
        box->setText(typed);
        window->views().AcceptTypedText(step);
    }

    ParameterModel model;
    ScriptedDialogs dialogs;
    WriteRecorder recorder;
    int linkState = 0;
    std::unique_ptr<ui::MainWindow> window;
};

}  // namespace vt::test
