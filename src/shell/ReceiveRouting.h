// How the main window's two links collect a reply and hand it on: the setup
// dialog's scan link (text, completed by LF or by silence) and the
// recorder's link (raw bytes, completed by LF or the RTU expected length).
#pragma once

#include "Links.h"
#include "Public.h"

#include <cstdint>

// ComPortMainTrigger's work for one trigger event.
void RouteSetupTrigger(SetupLink &link, const TSessionState &session, const TLinkSettings &settings,
                       std::uint16_t message, std::uint16_t argument);

// ComPort1Trigger's work for one trigger event.
void RouteRecorderTrigger(RecorderLink &link, TSessionState &session, const TLinkSettings &settings,
                          std::uint16_t message, std::uint16_t argument);
