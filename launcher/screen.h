// What the system says of the screen the show is seen on: how it is scaled,
// and whether it is seen across a network.
#pragma once

#include <windows.h>

#include <stdint.h>

// The DPI a monitor is scaled to (96 at 100 %): its own where Windows says
// it (8.1 on), the system's before; 0 when neither can be read.
int32_t MonitorDpi(HMONITOR monitor);
// Whether the launcher runs in a Remote Desktop session, RemoteFX's virtual
// graphics included, which the system metric alone reports as local.
bool InRemoteSession();
