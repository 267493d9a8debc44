// Message boxes and file dialogs, behind one small interface: the program shows real modal
// dialogs, tests install a scripted service that answers them.
#pragma once

#include <QString>

class QWidget;

namespace vt::eqfile {
struct ChannelFit;
}

namespace vt::ui {

class DialogService {
  public:
    virtual ~DialogService() = default;
    // A Yes/No question; true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;
    // A message with one OK button.
    virtual void inform(QWidget* parent, const QString& caption, const QString& text) = 0;
    // A file name, or an empty string when the user cancels.
    virtual QString openFileName(QWidget* parent, const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& filter) = 0;
    // The preview of a filter list fitted to a channel; true when the user chose Apply.
    virtual bool previewFilterFit(QWidget* parent, const eqfile::ChannelFit& fit,
                                  const QString& fileName) = 0;
    // The automatic EQ of channel `module` (1 Main, 2 Auxiliary); true, with the bands in `fit`,
    // when the user chose Apply.
    virtual bool autoEq(QWidget* parent, int module, eqfile::ChannelFit& fit) = 0;
};

class WindowMemory;

// The program's service: modal Qt dialogs. File dialogs open in the folder of the last preset file
// chosen, when a memory is given.
class QtDialogService : public DialogService {
  public:
    explicit QtDialogService(WindowMemory* memory = nullptr) : m_memory(memory) {}
    bool askYesNo(QWidget* parent, const QString& caption, const QString& text) override;
    void inform(QWidget* parent, const QString& caption, const QString& text) override;
    QString openFileName(QWidget* parent, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& filter) override;
    bool previewFilterFit(QWidget* parent, const eqfile::ChannelFit& fit,
                          const QString& fileName) override;
    bool autoEq(QWidget* parent, int module, eqfile::ChannelFit& fit) override;

  private:
    // The chosen file's folder becomes the next dialog's start folder.
    QString remembered(const QString& chosen);
    QString startFolder() const;

    WindowMemory* m_memory;
};

}  // namespace vt::ui
