// The one connection of the process: set by ConnectMonitor, cleared by
// DisconnectMonitor, and read by the command channel before every exchange.
#pragma once

extern bool bConnected;
