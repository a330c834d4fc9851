// Discovery's look at the HID interfaces before it opens one.
#include "hid/interface_list.h"

#include <gtest/gtest.h>

#include <map>

namespace korvane::test {
namespace {

TEST(InterfaceList, IdsAreReadFromAnInterfacePath) {
    struct Case {
        const char* path;
        bool ok;
        uint16_t vendor;
        uint16_t product;
    } cases[] = {
        {"\\\\?\\hid#vid_0483&pid_1234#7&2f1e&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", true,
         0x0483, 0x1234},
        {"\\\\?\\HID#VID_0483&PID_7890&MI_00#8&1a&0&0000#{4d1e55b2}", true, 0x0483, 0x7890},
        {"\\\\?\\hid#vid_04g3&pid_1234#x", false, 0, 0},
        {"\\\\?\\hid#vid_0483", false, 0, 0},
        {"\\\\?\\hid#vid_0483&pid_12", false, 0, 0},
        {"\\\\?\\hid#vid_0483&mi_00&pid_1234#x", false, 0, 0},
        {"\\\\?\\hid#vid_x&vid_0483&pid_7890#x", true, 0x0483, 0x7890},
        // A laptop's HID devices that are no USB device: Bluetooth, I2C, virtual.
        {"\\\\?\\HID#{00001124-0000-1000-8000-00805f9b34fb}_VID&0002045e_PID&082f&Col01#"
         "9&2b1e&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
         false, 0, 0},
        {"\\\\?\\HID#ELAN0732&Col01#5&1c0bbf5d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
         false, 0, 0},
        {"\\\\?\\HID#ConvertedDevice&Col01#5&2ba68b5&0&0000#{4d1e55b2}", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        uint16_t vendor = 0;
        uint16_t product = 0;
        EXPECT_EQ(IdsFromInterfacePath(c.path, vendor, product), c.ok);
        EXPECT_EQ(vendor, c.vendor);
        EXPECT_EQ(product, c.product);
    }
}

// Polled once a second: a path that names its device is not opened to
// learn its ids, a path that does not is not opened at all, and only a
// host's interfaces are opened (for a query); a host's collection with
// 65-byte reports comes first.
TEST(InterfaceList, OnlyHostsAreExaminedAndTheirFittingCollectionsComeFirst) {
    const std::string mouse = "\\\\?\\hid#vid_046d&pid_c077#7&1&0&0000#{4d1e55b2}";
    const std::string hostKeys = "\\\\?\\hid#vid_0483&pid_7890&col01#8&2&0&0000#{4d1e55b2}";
    const std::string hostData = "\\\\?\\hid#vid_0483&pid_7890&col02#8&2&0&0001#{4d1e55b2}";
    // 65 bytes in, not out: it would take no request of ours.
    const std::string hostInput = "\\\\?\\hid#vid_0483&pid_7890&col03#8&2&0&0002#{4d1e55b2}";
    const std::string touchpad = "\\\\?\\HID#ELAN0732&Col01#5&1c0b&0&0000#{4d1e55b2}";
    const std::map<std::string, std::pair<std::size_t, std::size_t>> lengths = {
        {hostKeys, {9, 2}}, {hostData, {65, 65}}, {hostInput, {65, 9}}};
    std::vector<std::string> opened;
    const InterfaceExaminer examine{
        [&](const std::string& path) -> std::optional<std::pair<std::size_t, std::size_t>> {
            opened.push_back("lengths " + path);
            const auto it = lengths.find(path);
            if (it == lengths.end()) return std::nullopt;
            return it->second;
        },
        [&](const std::string& path, HidDeviceInfo& info) {
            opened.push_back("identity " + path);
            if (path == hostData) info.serial = "KV0001";
        },
    };
    const std::vector<HidDeviceInfo> listed =
        ListInterfaces({mouse, hostKeys, touchpad, hostData, hostInput}, examine);
    EXPECT_EQ(opened, (std::vector<std::string>{"lengths " + hostKeys, "identity " + hostKeys,
                                                "lengths " + hostData, "identity " + hostData,
                                                "lengths " + hostInput, "identity " + hostInput}));
    std::vector<std::string> order;
    for (const HidDeviceInfo& d : listed) order.push_back(d.path);
    EXPECT_EQ(order, (std::vector<std::string>{hostData, mouse, hostKeys, touchpad, hostInput}));
    EXPECT_EQ(listed[0].serial, "KV0001");
    EXPECT_EQ(listed[1].vendor, 0x046d);
    EXPECT_EQ(listed[1].serial, "");
    EXPECT_EQ(listed[3].vendor, 0);
    EXPECT_EQ(listed[3].product, 0);
}

// Asked for the whole vendor (a one-off report), the vendor's other product
// is identified too, yet neither it nor another vendor's device is taken for
// a host.
TEST(InterfaceList, TheWholeVendorIsIdentifiedWhenAsked) {
    const std::string mouse = "\\\\?\\hid#vid_046d&pid_c077#7&1&0&0000#{4d1e55b2}";
    const std::string other = "\\\\?\\hid#vid_0483&pid_5750#7&2&0&0000#{4d1e55b2}";
    std::vector<std::string> opened;
    const InterfaceExaminer examine{
        [&](const std::string& path) -> std::optional<std::pair<std::size_t, std::size_t>> {
            opened.push_back("lengths " + path);
            return std::nullopt;
        },
        [&](const std::string& path, HidDeviceInfo& info) {
            opened.push_back("identity " + path);
            info.serial = "ST0001";
        },
        true,
    };
    const std::vector<HidDeviceInfo> listed = ListInterfaces({mouse, other}, examine);
    EXPECT_EQ(opened, (std::vector<std::string>{"identity " + other}));
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1].serial, "ST0001");
}

}  // namespace
}  // namespace korvane::test
