// Importing a filter list in the window: Apply writes the fitted bands and the graph follows,
// Cancel and unusable files change nothing; the preview dialog shows both responses.
#include <QChartView>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineSeries>
#include <QListWidget>
#include <QLogValueAxis>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUndoStack>

#include "eq/curve_composer.h"
#include "eq/eq_graph_panel.h"
#include "eqfile/channel_fit.h"
#include "ui/edit_history.h"
#include "ui/filter_import_dialog.h"
#include "window_fixture.h"

namespace vt::test {
namespace {

class FilterImport : public WindowTest {
  protected:
    QString file(const char* text) {
        const QString path = dir.filePath("filters.txt");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        return path;
    }
    QTemporaryDir dir;
};

constexpr const char* kTwoPeaksAndAHighPass =
    "Preamp: -4 dB\n"
    "Filter 1: ON PK Fc 125 Hz Gain -3 dB Q 1\n"
    "Filter 2: ON PK Fc 2 kHz Gain 4 dB Q 2\n"
    "Filter 3: ON HP Fc 40 Hz\n";

TEST_F(FilterImport, ApplyWritesTheBandsAndTheGraphFollows) {
    dialogs.openName = file(kTwoPeaksAndAHighPass);
    dialogs.applyFit = true;
    const QString before = text("MusGainEdit1");
    const QString band2Before = text("MusFreEdit2");
    window->ImportFilterFile();
    EXPECT_EQ(dialogs.fitPreviews, 1);
    // Nine bands of five fields, then the high-pass type and frequency.
    ASSERT_EQ(recorder.writes.size(), 47u);
    EXPECT_EQ(recorder.writes[1], std::make_pair(1 * 256 + 21, 96));
    EXPECT_EQ(text("MusFreEdit1"), "125.0");
    EXPECT_EQ(text("MusGainEdit1"), "-3.0dB");
    EXPECT_EQ(text("MusFreEdit2"), "2000.0");
    EXPECT_EQ(text("MusHighPassFre"), "40.1");
    EXPECT_EQ(model.device.at(1, 15), model.window.at(1, 15));
    // The graph shows band 2's +4 dB peak at its own point.
    const auto& peak = window->graph().composer().response(1);
    EXPECT_NEAR(*std::max_element(peak.begin(), peak.end()), 4.0f, 0.05f);

    // The import is one step: undo puts every band back as it was.
    QUndoStack& stack = window->editHistory().stack();
    ASSERT_EQ(stack.count(), 1);
    EXPECT_EQ(stack.undoText(), "Import filters.txt");
    stack.undo();
    EXPECT_EQ(text("MusFreEdit2"), band2Before);
    EXPECT_EQ(text("MusGainEdit1"), before);
}

TEST_F(FilterImport, CancelAndUnusableFilesWriteNothing) {
    dialogs.openName = file(kTwoPeaksAndAHighPass);
    dialogs.applyFit = false;
    window->ImportFilterFile();
    EXPECT_EQ(dialogs.fitPreviews, 1);
    EXPECT_TRUE(recorder.writes.empty());

    dialogs.openName = file("Equaliser: Generic\nFilter 1: ON XX Fc 100 Hz\n");
    window->ImportFilterFile();
    EXPECT_EQ(dialogs.fitPreviews, 1);
    ASSERT_EQ(dialogs.told.size(), 1u);
    EXPECT_TRUE(dialogs.told[0].contains("no filter in this file can be used"));
    EXPECT_TRUE(dialogs.told[0].contains("Line 2: unknown filter type 'XX'"));
    EXPECT_TRUE(recorder.writes.empty());
}

TEST_F(FilterImport, TheButtonSitsInThePcFileGroupClearOfLoadAndSave) {
    auto* import = w<QPushButton>("ImportFileBtn");
    ASSERT_NE(import, nullptr);
    auto* group = w<QWidget>("PCFileGroup");
    EXPECT_EQ(import->parentWidget(), group);
    EXPECT_TRUE(group->rect().contains(import->geometry()));
    for (const char* name : {"LoadFileBtn", "SaveFileBtn"})
        EXPECT_FALSE(import->geometry().intersects(w<QWidget>(name)->geometry())) << name;
}

TEST(FilterImportDialog, ShowsBothResponsesTheResidualAndTheDropped) {
    const auto fit =
        eqfile::fitChannel(eqfile::readFilterFile("Filter: ON PK Fc 100 Hz Gain 3 dB Q 1\n"
                                                  "Filter: ON PK Fc 1 kHz Gain -3 dB Q 1\n"
                                                  "Filter: ON PK Fc 5 kHz Gain 2 dB Q 1\n"
                                                  "junk\n"),
                           kAuxModule);
    ui::FilterImportDialog dialog(fit, "/tmp/room.txt");
    auto* response = dialog.findChild<QChartView*>("ResponseChart");
    ASSERT_NE(response, nullptr);
    const auto series = response->chart()->series();
    ASSERT_EQ(series.size(), 2);
    EXPECT_EQ(static_cast<QLineSeries*>(series[0])->count(), 500);
    const auto axes = response->chart()->axes(Qt::Horizontal);
    ASSERT_EQ(axes.size(), 1);
    auto* x = qobject_cast<QLogValueAxis*>(axes[0]);
    ASSERT_NE(x, nullptr);
    EXPECT_DOUBLE_EQ(x->min(), 20.0);
    EXPECT_DOUBLE_EQ(x->max(), 20000.0);
    EXPECT_NE(dialog.findChild<QChartView*>("ResidualChart"), nullptr);
    // Two bands for three peaks: one dropped, and the junk line.
    EXPECT_EQ(dialog.findChild<QListWidget*>("DroppedList")->count(), 2);
    auto* buttons = dialog.findChild<QDialogButtonBox*>("ImportButtons");
    buttons->button(QDialogButtonBox::Apply)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(FilterImportDialog, AFileOfJunkListsItsFirstDroppedLinesAndCountsTheRest) {
    std::string text = "Filter: ON PK Fc 100 Hz Gain 3 dB Q 1\n";
    for (int i = 0; i < 20000; ++i) text += "junk\n";
    const auto fit = eqfile::fitChannel(eqfile::readFilterFile(text), kAuxModule);
    ui::FilterImportDialog dialog(fit, "/tmp/junk.txt");
    auto* dropped = dialog.findChild<QListWidget*>("DroppedList");
    ASSERT_EQ(dropped->count(), static_cast<int>(ui::kShownDropped) + 1);
    EXPECT_EQ(dropped->item(dropped->count() - 1)->text(),
              QString("... and %1 more lines").arg(20000 - ui::kShownDropped));
}

}  // namespace
}  // namespace vt::test
