// The udev rule gives /dev/fb-panel to exactly the program's table of small
// panels' drivers, and the example units wait for and write to that name.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "frame-format.h"

namespace
{

std::string text_of(const std::string &path)
{
    std::ifstream in(NORLET_SOURCE_DIR "/" + path);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(PanelRule, NamesThePanelDriversTheProgramKnowsForTheUnits)
{
    std::string rule = text_of("tools/60-norlet-panel.rules");
    std::string key = "\nSUBSYSTEM==\"graphics\", KERNEL==\"fb[0-9]*\", ATTR{name}==\"";
    size_t from = rule.find(key);
    ASSERT_NE(from, std::string::npos) << rule;
    from += key.size();
    std::string expected;
    for (size_t i = 0; const char *id = frame_panel_driver_id(i); ++i)
        expected += (i ? "|" : "") + std::string(id);
    EXPECT_EQ(rule.substr(from, rule.find('"', from) - from), expected);
    EXPECT_NE(rule.find("\", SYMLINK+=\"fb-panel\", TAG+=\"systemd\"\n", from), std::string::npos);
    std::string status = text_of("examples/norlet-boot-status.service");
    EXPECT_NE(status.find("\nBindsTo=dev-fb\\x2dpanel.device\n"), std::string::npos);
    EXPECT_NE(status.find("\nWantedBy=dev-fb\\x2dpanel.device\n"), std::string::npos);
    for (const std::string &unit : {status, text_of("examples/norlet-panel-off.service")})
        EXPECT_NE(unit.find("\nEnvironment=FRAMEBUFFER=/dev/fb-panel\n"), std::string::npos);
}

} // namespace
