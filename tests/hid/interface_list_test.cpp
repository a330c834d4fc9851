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
// learn its ids, and only a host's interfaces are opened at all (for a
// query); a host's collection with 65-byte reports comes first.
TEST(InterfaceList, OnlyHostsAreExaminedAndTheirFittingCollectionsComeFirst) {
    const std::string mouse = "\\\\?\\hid#vid_046d&pid_c077#7&1&0&0000#{4d1e55b2}";
    const std::string hostKeys = "\\\\?\\hid#vid_0483&pid_7890&col01#8&2&0&0000#{4d1e55b2}";
    const std::string hostData = "\\\\?\\hid#vid_0483&pid_7890&col02#8&2&0&0001#{4d1e55b2}";
    // 65 bytes in, not out: it would take no request of ours.
    const std::string hostInput = "\\\\?\\hid#vid_0483&pid_7890&col03#8&2&0&0002#{4d1e55b2}";
    const std::string unnamed = "\\\\?\\root#unnamed#0000#{4d1e55b2}";
    const std::string unnamedHost = "\\\\?\\root#unnamed#0001#{4d1e55b2}";
    const std::map<std::string, std::pair<std::size_t, std::size_t>> lengths = {
        {hostKeys, {9, 2}}, {hostData, {65, 65}}, {unnamedHost, {65, 65}}, {hostInput, {65, 9}}};
    std::vector<std::string> opened;
    const InterfaceExaminer examine{
        [&](const std::string& path, uint16_t& vendor, uint16_t& product) {
            opened.push_back("ids " + path);
            if (path != unnamedHost) return false;
            vendor = 0x0483;
            product = 0x1234;
            return true;
        },
        [&](const std::string& path) -> std::optional<std::pair<std::size_t, std::size_t>> {
            opened.push_back("lengths " + path);
            const auto it = lengths.find(path);
            if (it == lengths.end()) return std::nullopt;
            return it->second;
        },
    };
    const std::vector<HidDeviceInfo> listed =
        ListInterfaces({mouse, hostKeys, unnamed, hostData, unnamedHost, hostInput}, examine);
    EXPECT_EQ(opened, (std::vector<std::string>{"lengths " + hostKeys, "ids " + unnamed,
                                                "lengths " + hostData, "ids " + unnamedHost,
                                                "lengths " + unnamedHost, "lengths " + hostInput}));
    std::vector<std::string> order;
    for (const HidDeviceInfo& d : listed) order.push_back(d.path);
    EXPECT_EQ(order, (std::vector<std::string>{hostData, unnamedHost, mouse, hostKeys, unnamed,
                                               hostInput}));
    EXPECT_EQ(listed[1].product, 0x1234);
    EXPECT_EQ(listed[4].vendor, 0);
}

}  // namespace
}  // namespace korvane::test
