// The bus and device number of a hidraw node, found in a sysfs tree laid out as the kernel's:
// the node's device link leads into the USB interface, whose parent holds busnum and devnum.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "capture/temp_dir.h"
#include "devices/usb_address.h"

namespace vt::test {
namespace {

namespace fs = std::filesystem;

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

// /sys/class/hidraw/NODE -> the HID device's hidraw/NODE folder, whose device link leads back to
// the HID device under `parent`.
void addNode(const fs::path& sys, const std::string& node, const fs::path& parent) {
    const fs::path hid = parent / "0003:0483:690E.0004";
    fs::create_directories(hid / "hidraw" / node);
    fs::create_directory_symlink(hid, hid / "hidraw" / node / "device");
    fs::create_directories(sys / "class/hidraw");
    fs::create_directory_symlink(hid / "hidraw" / node, sys / "class/hidraw" / node);
}

TEST(UsbAddress, ComesFromTheUsbDeviceAboveTheHidraw) {
    TempDir dir;
    const fs::path sys = dir / "sys";
    const fs::path usbDevice = sys / "devices/pci0000:00/0000:00:14.0/usb3/3-2";
    write(sys / "devices/pci0000:00/0000:00:14.0/usb3/busnum", "3\n");  // the root hub
    write(sys / "devices/pci0000:00/0000:00:14.0/usb3/devnum", "1\n");
    write(usbDevice / "busnum", "3\n");
    write(usbDevice / "devnum", "17\n");
    addNode(sys, "hidraw2", usbDevice / "3-2:1.0");
    addNode(sys, "hidraw5", sys / "devices/platform/i2c-1");  // HID that is not on USB

    const auto address = devices::usbAddressOf("/dev/hidraw2", sys.string());
    ASSERT_TRUE(address);
    EXPECT_EQ(address->bus, 3);
    EXPECT_EQ(address->device, 17);
    EXPECT_FALSE(devices::usbAddressOf("/dev/hidraw5", sys.string()));
    EXPECT_FALSE(devices::usbAddressOf("/dev/hidraw9", sys.string()));
    EXPECT_FALSE(devices::usbAddressOf("simulated:unit", sys.string()));
}

}  // namespace
}  // namespace vt::test
