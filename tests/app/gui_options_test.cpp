// The window program's command line: the options it sets, --help and --version, and the usage
// line with exit status 1 for anything it does not take.
#include <gtest/gtest.h>

#include "app/gui_options.h"
#include "app/program_version.h"

namespace vt::app {
namespace {

GuiCommandLine parse(QStringList args) {
    args.prepend("vortella");
    return parseGuiCommandLine(args);
}

TEST(GuiOptions, OptionsReachTheProgram) {
    const GuiCommandLine none = parse({});
    EXPECT_EQ(none.exitCode, -1);
    EXPECT_FALSE(none.options.hub.simulate);
    EXPECT_EQ(none.options.hub.transport, TransportKind::UsbHid);
    EXPECT_FALSE(none.options.resetSettings);
    EXPECT_FALSE(none.options.language);

    const GuiCommandLine all = parse({"--simulate", "--reset-settings", "--log-link",
                                      "--transport=uart", "--port", "ttyUSB1", "--lang", "zh"});
    EXPECT_EQ(all.exitCode, -1) << all.text.toStdString();
    EXPECT_TRUE(all.options.hub.simulate);
    EXPECT_TRUE(all.options.resetSettings);
    EXPECT_TRUE(all.options.logLink);
    EXPECT_EQ(all.options.hub.transport, TransportKind::Uart);
    EXPECT_EQ(all.options.hub.port, "ttyUSB1");
    EXPECT_EQ(all.options.language, 1);

    const GuiCommandLine capture = parse({"--simulate", "--capture", "run.pcapng"});
    EXPECT_EQ(capture.exitCode, -1) << capture.text.toStdString();
    EXPECT_EQ(capture.options.capture, "run.pcapng");

    // The toolkit's own options are the toolkit's: they neither fail nor hide the program's.
    const GuiCommandLine toolkit = parse(
        {"-platform", "offscreen", "-session", "1a2b", "-reverse", "--style=fusion", "--simulate"});
    EXPECT_EQ(toolkit.exitCode, -1) << toolkit.text.toStdString();
    EXPECT_TRUE(toolkit.options.hub.simulate);
}

TEST(GuiOptions, HelpAndVersion) {
    // Wherever they stand on the line, before any other option's fault is looked at.
    const std::vector<QStringList> helps = {{"--help"},
                                            {"-h"},
                                            {"--simulate", "--help"},
                                            {"--bogus", "-h"},
                                            {"stray", "--help", "--version"},
                                            {"-platform", "offscreen", "-h"}};
    for (const auto& args : helps) {
        const GuiCommandLine help = parse(args);
        EXPECT_EQ(help.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(help.text.startsWith("Usage: vortella [options]\n")) << help.text.toStdString();
        for (const char* option : {"--simulate", "--transport", "--port", "--reset-settings"})
            EXPECT_TRUE(help.text.contains(option)) << option;
    }
    const std::vector<QStringList> versions = {
        {"--version"}, {"-v"}, {"--lang", "zh", "-v"}, {"--transport", "serial", "--version"}};
    for (const auto& args : versions) {
        const GuiCommandLine version = parse(args);
        EXPECT_EQ(version.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_EQ(version.text, QString("vortella %1\n").arg(kProgramVersion));
    }
    // After "--" they are words like any other, and the window takes none.
    EXPECT_EQ(parse({"--", "--help"}).exitCode, 1);
}

TEST(GuiOptions, BadCommandLinesPrintTheUsageLineAndEndWithOne) {
    const std::vector<QStringList> bad = {
        {"--bogus"},      {"-x"},    {"--transport", "serial"},
        {"--transport"},  {"stray"}, {"--port", "ttyUSB0"},  // a port without the serial transport
        {"--lang", "fr"},
    };
    for (const auto& args : bad) {
        const GuiCommandLine line = parse(args);
        EXPECT_EQ(line.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(line.text.startsWith("vortella: ")) << line.text.toStdString();
        EXPECT_TRUE(line.text.endsWith("Usage: vortella [options]\n")) << line.text.toStdString();
    }
}

TEST(GuiOptions, CaptureIsRefusedOnASerialLine) {
    const GuiCommandLine line = parse({"--transport", "uart", "--capture", "run.pcapng"});
    EXPECT_EQ(line.exitCode, 1);
    EXPECT_TRUE(line.text.startsWith("vortella: --capture records the unit's USB reports"))
        << line.text.toStdString();
    EXPECT_TRUE(line.text.endsWith("Usage: vortella [options]\n")) << line.text.toStdString();
}

}  // namespace
}  // namespace vt::app
