// What this host calls its command ids. The transport, measure, marker, undo
// and record-mode commands act on the host model; every other id is named
// after the function-command caption that runs it and is only logged.
#pragma once

#include <cstdint>
#include <string>

#include "host_interfaces.h"

namespace sim {

// The ids are the plug-in's own COMMAND_* names (host_interfaces.h); what
// they do here is this host's choice: the second and third transport keys
// (COMMAND_TRANSPORT_KEY_76 and _77) play and wind forward.

// "record", "Undo", "Meter"...; "command N" for an id this host has no name for.
std::string CommandName(uint32_t id);

// True when `name` is a command name of CommandName (any case) or a number.
bool IsCommandName(const std::string& name);

// Whether a logged command (its id) answers to `name` (a name or a number).
bool CommandMatches(uint32_t id, const std::string& name);

}  // namespace sim
