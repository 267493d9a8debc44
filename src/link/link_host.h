// What the link asks of the windows, in one narrow interface: the link label, the status dialog,
// message boxes, applying the device image, the level meters, the volume bar, the hidden memo and
// the history list. The program implements it with its windows, tests with a recorder.
#pragma once

#include <cstddef>
#include <string>

#include "link/link_texts.h"

namespace vt {

// A label's caption with its hint (the other language's text of a bilingual pair).
struct Caption {
    std::string caption;
    std::string hint;
    bool operator==(const Caption&) const = default;
};

// The bilingual caption setter: flag 1 shows the Chinese text with the English one as hint,
// any other flag the English text with the Chinese one as hint.
void SetBilingualCaption(Caption& target, int languageFlag, std::string_view english,
                         std::string_view chinese);

// The main window's small coloured link label.
struct LinkLabel {
    Caption text{std::string(texts::kOffline), {}};
    Rgb colour = texts::kColourBusy;
    bool operator==(const LinkLabel&) const = default;
};

// The status dialog: its label, its progress bar and whether it is on show.
struct StatusDialog {
    Caption label{std::string(texts::kPleaseWait), {}};
    int percent = 100;
    bool visible = false;
    bool operator==(const StatusDialog&) const = default;
};

enum class Meter { Left = 0, Right = 1 };

class LinkHost {
  public:
    virtual ~LinkHost() = default;

    virtual void linkLabelChanged(const LinkLabel& label) = 0;
    // A visible dialog is also raised on top of other windows, without moving it.
    virtual void statusDialogChanged(const StatusDialog& dialog) = 0;
    // A modal message box; timers keep ticking while it is open.
    virtual void showMessage(std::string_view text, std::string_view caption) = 0;
    // Bring the whole window in line with the device image.
    virtual void applyDeviceImage() = 0;
    // A read of the unit's whole image has completed (not a write of a loaded preset): what the
    // window knew of earlier values no longer describes the unit.
    virtual void unitImageRead() {}
    // The unit answered a parameter write: it holds `value` at `address` now.
    virtual void writeConfirmed(int /*address*/, int /*value*/) {}
    virtual void setLevelMeter(Meter meter, int value) = 0;
    virtual void setMasterVolumeBar(int position) = 0;
    virtual void addMemoLine(const std::string& line) = 0;
    // A line was appended to the history list after `droppedOldest` lines left its top.
    virtual void historyLineAdded(const std::string& line, std::size_t droppedOldest) = 0;
    virtual void showReportId(const std::string& text) = 0;
};

// A host that shows nothing: for benchmarks and for runs without windows.
class NullLinkHost : public LinkHost {
  public:
    void linkLabelChanged(const LinkLabel&) override {}
    void statusDialogChanged(const StatusDialog&) override {}
    void showMessage(std::string_view, std::string_view) override {}
    void applyDeviceImage() override {}
    void setLevelMeter(Meter, int) override {}
    void setMasterVolumeBar(int) override {}
    void addMemoLine(const std::string&) override {}
    void historyLineAdded(const std::string&, std::size_t) override {}
    void showReportId(const std::string&) override {}
};

}  // namespace vt
