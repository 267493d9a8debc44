// Construction of the main window's areas: command bar, function pages, volume and Auxiliary
// output panels and the graph area. Every parameter control takes its kind, items and view kind
// from the slot map; positions are fixed for the 1171 x 678 client area.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>

#include "eq/eq_graph_panel.h"
#include "link/history_list.h"
#include "model/slot_map.h"
#include "ui/compressor_editor.h"
#include "ui/main_window.h"
#include "ui/meter_bar.h"

namespace vt::ui {
namespace {

const ControlRef& refOf(const QString& name) {
    static const ControlRef kNone{};
    const ControlRef* ref = SlotMap::instance().find(name.toStdString());
    return ref ? *ref : kNone;
}

void applyViewKind(QWidget* w, const ControlRef& ref) {
    if (ref.viewKind != 0) setHint(w, QString::number(ref.viewKind));
}

QLabel* label(QWidget* parent, const QString& text, QRect rect,
              Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(rect);
    l->setAlignment(align);
    return l;
}

QGroupBox* group(QWidget* parent, const QString& name, const QString& title, QRect rect) {
    auto* g = new QGroupBox(title, parent);
    g->setObjectName(name);
    g->setGeometry(rect);
    return g;
}

// An edit box, combo box, value pane or check box of the slot map.
QWidget* bound(QWidget* parent, const QString& name, QRect rect) {
    const ControlRef& ref = refOf(name);
    QWidget* w = nullptr;
    switch (ref.kind) {
        case ControlKind::Combo: {
            auto* combo = new QComboBox(parent);
            for (auto item : ref.items) combo->addItem(toQString(item));
            combo->setCurrentIndex(0);
            w = combo;
            break;
        }
        case ControlKind::Pane:
            w = new ValuePane(parent);
            break;
        case ControlKind::Check:
            w = new QCheckBox(parent);
            break;
        default: {
            auto* edit = new QLineEdit(parent);
            edit->setAlignment(Qt::AlignCenter);
            w = edit;
            break;
        }
    }
    w->setObjectName(name);
    applyViewKind(w, ref);
    w->setGeometry(rect);
    return w;
}

// Track bars: range and position at start.
struct BarSpec {
    const char* name;
    Qt::Orientation orientation;
    int minimum, maximum, position;
};
constexpr BarSpec kBars[] = {
    {"OutLDelayBar", Qt::Horizontal, 0, 150, 10},
    {"OutRDelayBar", Qt::Horizontal, 0, 150, 10},
    {"MusRmsAttackBar", Qt::Horizontal, 1, 100, 10},
    {"MusRmsReleaseBar", Qt::Horizontal, 0, 7, 1},
    {"AuxOutGainBar", Qt::Vertical, 0, 6, 5},
    {"DEQRmsLevelBar1", Qt::Horizontal, 0, 48, 0},
    {"DEQRmsLevelBar2", Qt::Horizontal, 0, 48, 0},
    {"DEQMaxLevelBar1", Qt::Horizontal, 0, 48, 0},
    {"DEQMaxLevelBar2", Qt::Horizontal, 0, 48, 0},
    {"SysMusNormalVolBar", Qt::Vertical, 0, 1000, 50},
};

TrackBar* bar(QWidget* parent, const QString& name, QRect rect) {
    for (const auto& range : kBars) {
        if (name != range.name) continue;
        auto* b =
            new TrackBar(range.orientation, range.minimum, range.maximum, range.position, parent);
        b->setObjectName(name);
        b->setGeometry(rect);
        return b;
    }
    return nullptr;
}

BitmapButton* button(QWidget* parent, const QString& name, const QString& caption,
                     BitmapButton::Role role, QRect rect) {
    auto* b = new BitmapButton(caption, role, parent);
    b->setObjectName(name);
    b->setGeometry(rect);
    return b;
}

// A titled row of a filter: its type box and frequency box, the title above or beside them.
void filterRow(QWidget* parent, const QString& title, const QString& box, const QString& freq,
               QRect titleRect, QRect boxRect, int freqWidth) {
    label(parent, title, titleRect);
    bound(parent, box, boxRect);
    bound(parent, freq, QRect(boxRect.right() + 5, boxRect.top(), freqWidth, boxRect.height()));
}

// A titled track bar with its value pane to the right.
void barRow(QWidget* parent, const QString& title, const QString& barName, const QString& pane,
            int left, int top, int titleWidth, int barWidth, int paneWidth) {
    label(parent, title, QRect(left, top, titleWidth, 20));
    bar(parent, barName, QRect(left + titleWidth, top + 2, barWidth, 18));
    bound(parent, pane, QRect(left + titleWidth + barWidth + 4, top, paneWidth, 20));
}

// A titled text box with its send button beside it.
void textRow(QWidget* parent, const QString& title, const QString& editName, const QString& text,
             int maxLength, const QString& buttonName, const QString& caption, QPoint at,
             int editWidth, int buttonWidth) {
    label(parent, title, QRect(at.x(), at.y(), 120, 20));
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(editName);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    edit->setGeometry(at.x(), at.y() + 22, editWidth, 24);
    button(parent, buttonName, caption, BitmapButton::Role::Plain,
           QRect(at.x() + editWidth + 6, at.y() + 22, buttonWidth, 24));
}

}  // namespace

void MainWindow::buildCommandBar(QWidget* client) {
    auto* bar = new QFrame(client);
    bar->setObjectName("AdvGroupBox19");
    bar->setGeometry(2, 2, 1167, 52);

    auto* pc = group(bar, "PCFileGroup", "PC File", QRect(6, 2, 170, 46));
    button(pc, "LoadFileBtn", "Load", BitmapButton::Role::Plain, QRect(8, 18, 74, 22));
    button(pc, "SaveFileBtn", "Save", BitmapButton::Role::Plain, QRect(88, 18, 74, 22));

    auto* dev = group(bar, "DeviceDataGroup", "Device Data", QRect(182, 2, 170, 46));
    button(dev, "DeviceSaveBtn", "Save", BitmapButton::Role::Plain, QRect(8, 18, 74, 22));
    button(dev, "DeviceLoadBtn", "Recovery", BitmapButton::Role::Plain, QRect(88, 18, 74, 22));

    auto* input = group(bar, "InputGroup", "Input Source", QRect(358, 2, 220, 46));
    const char* radioNames[] = {"RCA", "Blue", "Auto"};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(radioNames[i], input);
        r->setObjectName(QString("SysInputRadio%1").arg(i + 1));
        setTag(r, i);
        r->setGeometry(10 + i * 70, 20, 64, 20);
        m_inputRadios[static_cast<std::size_t>(i)] = r;
    }

    auto* link = group(bar, "LinkGroup", "Device Link", QRect(584, 2, 400, 46));
    button(link, "LinkBtn", "     Link", BitmapButton::Role::Plain, QRect(8, 18, 90, 22));
    m_linkLabel = label(link, "Offline", QRect(108, 18, 284, 22));
    m_linkLabel->setObjectName("LinkLabel");
    m_linkLabel->setStyleSheet("#LinkLabel { color: rgb(0,227,0); font-weight: bold; }");

    m_factoryToggle =
        button(bar, "RzBmpButton1", "工厂隐藏", BitmapButton::Role::Plain, QRect(1070, 16, 86, 24));
    m_factoryToggle->hide();

    auto* example = new QLineEdit(bar);
    example->setObjectName(toQString(kPlaceholderName));
    setHint(example, "3");
    example->hide();
    button(bar, "ExampleBtn", "", BitmapButton::Role::Plain, QRect(0, 0, 10, 10))->hide();
}

void MainWindow::buildFunctionPages(QWidget* client) {
    m_pages = new QTabWidget(client);
    m_pages->setObjectName("MainFuntionSheetPage");
    m_pages->setGeometry(2, 58, 990, 306);
    m_pages->tabBar()->hide();
    m_pages->setDocumentMode(true);
    auto* mainPage = new QWidget;
    mainPage->setObjectName("AdvTabSheet1");
    auto* factoryPage = new QWidget;
    factoryPage->setObjectName("AdvTabSheet2");
    m_pages->addTab(mainPage, "Main");
    m_pages->addTab(factoryPage, "Factory");
    buildMainPage(mainPage);
    buildFactoryPage(factoryPage);
}

void MainWindow::buildBandGrid(QWidget* parent, const QString& prefix, const QString& bypassPrefix,
                               int bands, QPoint origin, int columnWidth, int rowHeight) {
    const int left = origin.x();
    const int top = origin.y();
    const char* rows[] = {"Band", "Type", "Freq/Hz", "Gain", "Q", "Bypass"};
    for (int r = 0; r < 6; ++r) label(parent, rows[r], QRect(left, top + r * rowHeight, 52, 22));
    for (int b = 1; b <= bands; ++b) {
        const int x = left + 54 + (b - 1) * columnWidth;
        const int w = columnWidth - 4;
        auto* title = label(parent, QString::number(b), QRect(x, top, w, 22), Qt::AlignCenter);
        title->setStyleSheet("font-weight: bold;");
        const QString n = QString::number(b);
        bound(parent, prefix + "ModeBox" + n, QRect(x, top + rowHeight, w, 22));
        bound(parent, prefix + "FreEdit" + n, QRect(x, top + 2 * rowHeight, w, 22));
        bound(parent, prefix + "GainEdit" + n, QRect(x, top + 3 * rowHeight, w, 22));
        bound(parent, prefix + "QEdit" + n, QRect(x, top + 4 * rowHeight, w, 22));
        bound(parent, bypassPrefix + n, QRect(x + w / 2 - 8, top + 5 * rowHeight, 20, 22));
    }
}

void MainWindow::buildMainPage(QWidget* page) {
    auto* comp = group(page, "CompressorPanel", "Compressor", QRect(4, 0, 330, 302));
    m_compressor = new CompressorEditor(
        m_model, [this](const QString& question) { return confirm(question, false); }, comp, 6, 16);
    label(comp, "Compressor", QRect(6, 248, 70, 22));
    auto* rms = qobject_cast<QComboBox*>(bound(comp, "RMSBox", QRect(76, 248, 64, 22)));
    m_compressor->setOnOffBox(rms);
    barRow(comp, "Attack", "MusRmsAttackBar", "MusRmsAttackPane", 6, 274, 44, 90, 52);
    label(comp, "Release", QRect(200, 248, 60, 22));
    bar(comp, "MusRmsReleaseBar", QRect(200, 276, 62, 18));
    bound(comp, "MusRmsReleasePane", QRect(264, 274, 60, 22));

    auto* eq = group(page, "MusEQPanel", "Equaliser", QRect(338, 0, 648, 302));
    m_tab1 = button(eq, "FormTabBtn1", "Main", BitmapButton::Role::Tab, QRect(8, 18, 84, 24));
    setTag(m_tab1, 0);
    m_tab2 = button(eq, "FormTabBtn2", "Auxiliary", BitmapButton::Role::Tab, QRect(94, 18, 84, 24));
    setTag(m_tab2, 1);
    button(eq, "ResetBtn", "EQ Reset", BitmapButton::Role::Plain, QRect(460, 18, 84, 24));
    m_eqPassButton =
        button(eq, "MusEQAllpassBtn", "EQ PASS", BitmapButton::Role::Pass, QRect(550, 18, 88, 24));
    setHint(m_eqPassButton, "0");

    filterRow(eq, "High-pass", "MusHighPassBox", "MusHighPassFre", QRect(8, 50, 60, 22),
              QRect(70, 50, 150, 22), 70);
    label(eq, "Hz", QRect(298, 50, 20, 22));
    filterRow(eq, "Low-pass", "MusLowPassBox", "MusLowPassFre", QRect(330, 50, 60, 22),
              QRect(392, 50, 150, 22), 70);
    label(eq, "Hz", QRect(620, 50, 20, 22));
    buildBandGrid(eq, "Mus", "MusBypassCheck", 9, QPoint(8, 86), 65, 34);
    buildAuxGroup(eq);
}

void MainWindow::buildAuxGroup(QWidget* parent) {
    m_auxGroup = group(parent, "AuxGrop", "Auxiliary", QRect(4, 44, 640, 254));
    auto* g = m_auxGroup;
    g->setAutoFillBackground(true);  // covers the Main channel's controls beneath it
    buildBandGrid(g, "AUX", "AuxBypassCheck", 2, QPoint(6, 20), 74, 30);

    auto* filters = group(g, "AuxFilterGroup", "Filters", QRect(212, 14, 214, 112));
    filterRow(filters, "High-pass", "AuxHighPassBox", "AuxHighPassFre", QRect(6, 16, 80, 18),
              QRect(6, 34, 130, 22), 66);
    filterRow(filters, "Low-pass", "AuxLowPassBox", "AuxLowPassFre", QRect(6, 60, 80, 18),
              QRect(6, 78, 130, 22), 66);

    auto* delay = group(g, "DelayGroup", "Output Delay", QRect(212, 130, 214, 76));
    barRow(delay, "Left", "OutLDelayBar", "OutLDelayPane", 6, 20, 34, 110, 54);
    barRow(delay, "Right", "OutRDelayBar", "OutRDelayPane", 6, 46, 34, 110, 54);

    auto* out = group(g, "OutputGroup", "Outputs", QRect(430, 14, 204, 112));
    label(out, "Main phase L / R", QRect(6, 18, 110, 22));
    button(out, "OutLPhaseBtn", "+", BitmapButton::Role::Phase, QRect(120, 18, 25, 22));
    button(out, "OutRPhaseBtn", "+", BitmapButton::Role::Phase, QRect(150, 18, 25, 22));
    label(out, "Sub phase L / R", QRect(6, 46, 110, 22));
    button(out, "SubLPhaseBtn", "+", BitmapButton::Role::Phase, QRect(120, 46, 25, 22));
    button(out, "SubRPhaseBtn", "+", BitmapButton::Role::Phase, QRect(150, 46, 25, 22));
    label(out, "Sub mode", QRect(6, 76, 70, 22));
    bound(out, "SubSteroBox", QRect(80, 76, 96, 22));

    auto* ble = group(g, "BluetoothGroup", "Bluetooth", QRect(430, 130, 204, 118));
    textRow(ble, "Blue Name：", "BLUENameEdit", "VORTELLA BLUE", 20, "BLUENameBtn", "Modify",
            QPoint(6, 16), 130, 58);
    textRow(ble, "Blue PIN：", "BluePinEdit", "0000", 4, "BLUEPinBtn", "Modify", QPoint(6, 64), 130,
            58);
}

void MainWindow::buildFactoryPage(QWidget* page) {
    for (int n = 1; n <= 2; ++n) {
        const QString s = QString::number(n);
        auto* g =
            group(page, "DEQGroup" + s, "Dynamic EQ " + s, QRect(4, 0 + (n - 1) * 152, 300, 148));
        auto* pass =
            button(g, "DEQALLPASSBtn" + s, "Pass", BitmapButton::Role::Pass, QRect(8, 18, 56, 22));
        setHint(pass, "0");
        bound(g, "DEQModeBox" + s, QRect(70, 18, 70, 22));
        bound(g, "DEQTypeBox" + s, QRect(146, 18, 80, 22))->hide();
        label(g, "Freq/Hz", QRect(8, 46, 60, 20));
        bound(g, "DEQFreEdit" + s, QRect(8, 66, 70, 22));
        label(g, "Gain", QRect(84, 46, 60, 20));
        bound(g, "DEQGainEdit" + s, QRect(84, 66, 70, 22));
        label(g, "Q", QRect(160, 46, 60, 20));
        bound(g, "DEQQEdit" + s, QRect(160, 66, 60, 22));
        barRow(g, "Start", "DEQRmsLevelBar" + s, "DEQRmsLevelPane" + s, 8, 94, 44, 170, 66);
        barRow(g, "Cut-off", "DEQMaxLevelBar" + s, "DEQMaxLevelPane" + s, 8, 120, 44, 170, 66);
        if (n == 2) {
            // The second dynamic EQ only reports its levels.
            for (const char* hidden : {"DEQALLPASSBtn", "DEQModeBox", "DEQFreEdit", "DEQGainEdit",
                                       "DEQQEdit", "DEQRmsLevelBar", "DEQMaxLevelBar"})
                if (auto* w = g->findChild<QWidget*>(hidden + s)) w->hide();
        }
    }

    auto* def = group(page, "DefaultEQGroup", "Default EQ", QRect(308, 0, 440, 302));
    buildBandGrid(def, "Hint", "HintBypassCheck", 4, QPoint(8, 20), 92, 30);
    filterRow(def, "High-pass", "HintHighPassBox", "HintHighPassFre", QRect(8, 206, 70, 22),
              QRect(80, 206, 160, 22), 70);
    filterRow(def, "Low-pass", "HintLowPassBox", "HintLowPassFre", QRect(8, 236, 70, 22),
              QRect(80, 236, 160, 22), 70);

    auto* reset = group(page, "FactoryResetGroup", "Factory Settings", QRect(752, 0, 234, 110));
    button(reset, "DeviceResetBtn", "恢复出厂", BitmapButton::Role::Plain, QRect(8, 20, 90, 24));
    auto* explain = label(reset, "Returns the unit to its factory settings.\n恢复设备的出厂参数。",
                          QRect(8, 50, 218, 52), Qt::AlignLeft | Qt::AlignTop);
    explain->setWordWrap(true);

    auto* test = group(page, "BluetoothTestGroup", "Bluetooth Test", QRect(752, 114, 234, 84));
    textRow(test, "发送测试码：", "BlueStrEdit", "", 0, "BleButton", "发送", QPoint(8, 20), 150,
            62);

    auto* level = group(page, "InputLevelGroup", "Input Level", QRect(752, 202, 234, 100));
    bound(level, "SysIOLevelBox", QRect(8, 24, 100, 22));
    bound(level, "InputBox", QRect(120, 24, 100, 22))->hide();
}

void MainWindow::buildVolumePanel(QWidget* client) {
    auto* g = group(client, "CurvyPanel3", "Volume", QRect(996, 58, 173, 206));
    auto* pane = bound(g, "SysMusNormalVolPane", QRect(10, 22, 90, 34));
    pane->setStyleSheet(
        "background: rgb(20,24,32); color: rgb(120,230,255); font-size: 20px; "
        "font-weight: bold;");
    auto* volume = bar(g, "SysMusNormalVolBar", QRect(150, 20, 16, 100));
    volume->setEnabled(false);
    volume->hide();
    const char* meters[] = {"LeftMeter", "RightMeter"};
    for (int i = 0; i < 2; ++i) {
        auto* m = new MeterBar(48, g);
        m->setObjectName(meters[i]);
        m->setGeometry(112 + i * 26, 22, 20, 140);
        label(g, i == 0 ? "L" : "R", QRect(112 + i * 26, 164, 20, 16), Qt::AlignCenter);
        (i == 0 ? m_leftMeter : m_rightMeter) = m;
    }
    m_versionLabel = label(g, "版本号:", QRect(10, 182, 156, 18));
    m_versionLabel->setObjectName("DeviceVersionLabel");
}

void MainWindow::buildAuxOutputPanel(QWidget* client) {
    auto* g = group(client, "CurvyPanel4", "Aux Output", QRect(996, 266, 173, 98));
    bar(g, "AuxOutGainBar", QRect(14, 18, 22, 74));
    bound(g, "AuxOutGainPane", QRect(50, 44, 70, 24));
}

void MainWindow::buildGraphArea(QWidget* client) {
    m_graph = new EqGraphPanel(client);
    m_graph->setObjectName("EQAdvPanel");
    m_graph->move(1, 366);
    m_graph->BuildGrid(true);
    m_curveSource = std::make_unique<ModelCurveSource>(m_model, [this](int channel) {
        const bool main = channel == kMainModule;
        auto index = [this](const char* name) {
            auto* box = qobject_cast<QComboBox*>(m_views.control(name));
            return box ? std::max(box->currentIndex(), 0) : 0;
        };
        return ModelCurveSource::FilterItems{index(main ? "MusHighPassBox" : "AuxHighPassBox"),
                                             index(main ? "MusLowPassBox" : "AuxLowPassBox")};
    });
    m_graph->setSource(m_curveSource.get());
    m_eqFormLabel = label(m_graph, "Main", QRect(0, 0, 40, 14));
    m_eqFormLabel->setObjectName("EQFormLabel");
    m_eqFormLabel->hide();
    auto* memo = new QPlainTextEdit(m_graph);
    memo->setObjectName("Memo1");
    // A unit with a stray checksum adds lines all day: keep the newest, as the history does.
    memo->setMaximumBlockCount(static_cast<int>(HistoryList::kMaxLines));
    memo->hide();
}

}  // namespace vt::ui
