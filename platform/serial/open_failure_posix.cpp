// Open failures on Linux: serial devices belong to a group (dialout on Debian) whose members may
// use them, and a user added to it gets the membership only with the next login. A port map
// entry that is a plain file must hold a network endpoint's URL.
#include "platform/serial/open_failure.h"

#include "platform/serial/network_endpoint.h"

#include <climits>
#include <cstdlib>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace serial {

namespace {

// The device itself rather than the port map entry that names it.
std::string ShownPath(const std::string& device) {
    char resolved[PATH_MAX];
    return ::realpath(device.c_str(), resolved) ? std::string(resolved) : device;
}

std::string UserName() {
    const passwd* pw = ::getpwuid(::geteuid());
    return pw && pw->pw_name ? pw->pw_name : "$USER";
}

} // namespace

std::string ExplainOpenFailure(const Error& error, const std::string& device) {
    if (IsNetworkUrl(device))
        return ExplainNetworkFailure(error, device);
    struct stat entry {};
    if (error.cause == Cause::InvalidArgument && ::lstat(device.c_str(), &entry) == 0 &&
        S_ISREG(entry.st_mode))
        return ExplainBadMapEntry(device);
    const std::string shown = ShownPath(device);
    if (error.cause == Cause::Busy)
        return "Another program is using " + shown + ". Close it and try again.";
    if (error.cause != Cause::AccessDenied)
        return std::string();

    struct stat st {};
    const group* gr = ::stat(device.c_str(), &st) == 0 ? ::getgrgid(st.st_gid) : nullptr;
    const bool groupMayUse = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (!gr || !gr->gr_name || st.st_gid == 0 || !groupMayUse)
        return "You are not allowed to use " + shown +
               ". Ask the administrator for read and write access to it.";
    const std::string name = gr->gr_name;
    return "You are not allowed to use " + shown + ": your user must be in the group \"" + name +
           "\" that owns it (sudo usermod -aG " + name + " " + UserName() +
           "), and then log in again.";
}

} // namespace serial
