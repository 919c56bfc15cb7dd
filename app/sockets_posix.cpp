// Sockets start-up: nothing needs starting on this platform, so it cannot fail.
#include "app/sockets.h"

bool StartSockets() {
    return true;
}
