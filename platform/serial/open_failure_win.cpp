// Open failures on Windows: the console's own message already names the only cause the system
// reports for an existing port (another program holds it), so there is nothing to add.
#include "platform/serial/open_failure.h"

namespace serial {

std::string ExplainOpenFailure(const Error&, const std::string&) {
    return std::string();
}

} // namespace serial
