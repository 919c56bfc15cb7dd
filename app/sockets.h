// Start-up of the platform's sockets layer, made once when the application starts. Nothing in
// the console uses sockets afterwards. One file per OS defines it.
#pragma once

// False when the layer could not be started; the application then ends.
bool StartSockets();
