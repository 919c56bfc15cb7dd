// edidinfo: reads an EDID file with the rules of the console's "Open EDID" and prints the five
// texts the EDID page would hold after reading that EDID from the generator.
#include "edid/edid_decoder.h"
#include "edid/edid_file.h"
#include "edid/edid_report.h"
#include "kestrelon_version.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kUsage[] =
    "usage: edidinfo [--json] [--as-opened] FILE\n"
    "\n"
    "Decodes an EDID file (.bin: raw bytes; .txt: hexadecimal numbers) and prints the EDID\n"
    "status, the hex dump and the video, audio and general reports.\n"
    "\n"
    "  --json       print one JSON object with the keys \"status\", \"hexdump\", \"video\",\n"
    "               \"audio\" and \"general\"; the values are the texts exactly, CR LF included\n"
    "  --as-opened  give the texts as \"Open EDID\" shows them: no header or checksum check,\n"
    "               empty status\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "\n"
    "Exit status: 0 when the file was decoded (a header or checksum error is part of the\n"
    "status text), 1 when the file cannot be read or is not a .bin or .txt file, 2 on a\n"
    "usage error.\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "edidinfo: %s\n%s", problem, kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    bool json = false;
    bool asOpened = false;
    const char* path = nullptr;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (options && std::strcmp(arg, "--") == 0) {
            options = false;
        } else if (options && std::strcmp(arg, "--json") == 0) {
            json = true;
        } else if (options && std::strcmp(arg, "--as-opened") == 0) {
            asOpened = true;
        } else if (options && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (options && std::strcmp(arg, "--version") == 0) {
            std::puts("edidinfo (Kestrelon) " KESTRELON_VERSION);
            return 0;
        } else if (options && arg[0] == '-' && arg[1] != '\0') {
            return Usage((std::string("unknown option ") + arg).c_str());
        } else if (path) {
            return Usage("only one FILE can be given");
        } else {
            path = arg;
        }
    }
    if (!path)
        return Usage("no FILE given");

    const edid::OpenResult opened = edid::ReadEdidFile(path);
    if (!opened.ok) {
        std::fprintf(stderr, "edidinfo: %s: %s\n", path, opened.message.c_str());
        return 1;
    }

    const edid::Decoded decoded = asOpened ? edid::DecodeWithoutValidation(opened.image)
                                           : edid::ValidateAndDecode(opened.image);
    const std::string out = json ? edid::ToJson(decoded) + "\n" : edid::ToReadableText(decoded);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
