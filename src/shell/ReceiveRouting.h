// How the main window's two links hand a reply on: the setup dialog's scan
// link (as text, completed by LF or by silence) and the recorder's link (raw
// bytes, completed by LF or the RTU expected length). The collecting itself
// is the links' reply exchange.
#pragma once

#include "Links.h"
#include "Public.h"

#include <cstdint>

// ComPortMainTrigger's work for one trigger event.
void RouteSetupTrigger(SetupLink &link, std::uint16_t message, std::uint16_t argument);

// ComPort1Trigger's work for one trigger event: sets ResultCode (and the
// expected reply length) in `session` when the reply is handed over.
void RouteRecorderTrigger(RecorderLink &link, TSessionState &session, std::uint16_t message, std::uint16_t argument);
