// The second line under "Can not find this port or used by other application": why a device that
// exists did not open, said so that the operator knows what to do.
#include "platform/serial/open_failure.h"
#include "support/pty_peer.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(OpenFailure, NamesTheGroupThatMayUseTheDeviceOrTheAdministrator) {
    testsupport::TempDir dir;
    const std::string device = dir.Path() + "/ttyUSB7";
    std::ofstream(device).put('x');
    // Owned by a group other than the superuser's, as a distribution's serial devices are.
    struct stat st {};
    ASSERT_EQ(stat(device.c_str(), &st), 0);
    if (st.st_gid == 0) {
        setgrent();
        const group* other = nullptr;
        while ((other = getgrent()) != nullptr && other->gr_gid == 0) {
        }
        ASSERT_NE(other, nullptr);
        ASSERT_EQ(chown(device.c_str(), static_cast<uid_t>(-1), other->gr_gid), 0);
        endgrent();
        ASSERT_EQ(stat(device.c_str(), &st), 0);
    }
    chmod(device.c_str(), 0660);
    const std::string groupName = getgrgid(st.st_gid)->gr_name;
    char real[PATH_MAX];
    ASSERT_NE(realpath(device.c_str(), real), nullptr);

    // Reached through a port map entry, it names the device itself.
    const std::string entry = dir.Path() + "/COM3";
    ASSERT_EQ(symlink(device.c_str(), entry.c_str()), 0);
    const serial::Error denied =
        serial::MakeError(serial::Cause::AccessDenied, "Permission denied");
    const std::string why = serial::ExplainOpenFailure(denied, entry);
    EXPECT_TRUE(Contains(why, std::string(real))) << why;
    EXPECT_TRUE(Contains(why, "the group \"" + groupName + "\"")) << why;
    EXPECT_TRUE(Contains(why, "log in again")) << why;

    // No group may use it: joining one would not help.
    chmod(device.c_str(), 0600);
    EXPECT_TRUE(Contains(serial::ExplainOpenFailure(denied, entry), "Ask the administrator"));

    EXPECT_TRUE(Contains(
        serial::ExplainOpenFailure(serial::MakeError(serial::Cause::Busy, "in use"), entry),
        "Another program is using " + std::string(real)));
    // A missing device, or any other cause, adds nothing.
    EXPECT_EQ(serial::ExplainOpenFailure(serial::MakeError(serial::Cause::NotFound, "none"), ""),
              "");
    EXPECT_EQ(
        serial::ExplainOpenFailure(serial::MakeError(serial::Cause::InvalidArgument, "x"), entry),
        "");
}
