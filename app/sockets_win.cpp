// Sockets start-up: Winsock 2.2 (the layer stays started for the life of the process).
#include "app/sockets.h"

#include <winsock2.h>

bool StartSockets() {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}
