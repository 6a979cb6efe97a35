// What this host calls its command ids. The transport, measure, marker, undo
// and record-mode commands act on the host model; every other id is named
// after the function-command caption that runs it and is only logged.
#pragma once

#include <cstdint>
#include <string>

#include "host_interfaces.h"

namespace sim {

// The ids are the plug-in's own names; what they do here is this host's
// choice (the second and third transport keys play and wind forward).
inline constexpr uint32_t CMD_PLAY = COMMAND_TRANSPORT_KEY_76;
inline constexpr uint32_t CMD_RECORD = COMMAND_RECORD;
inline constexpr uint32_t CMD_REWIND = COMMAND_REWIND;
inline constexpr uint32_t CMD_RECORD_MODE = COMMAND_RECORD_MODE;
inline constexpr uint32_t CMD_FORWARD = COMMAND_TRANSPORT_KEY_77;
inline constexpr uint32_t CMD_PREVIOUS_MEASURE = COMMAND_PREV_MEASURE;
inline constexpr uint32_t CMD_NEXT_MEASURE = COMMAND_NEXT_MEASURE;
inline constexpr uint32_t CMD_UNDO = COMMAND_UNDO;
inline constexpr uint32_t CMD_REDO = COMMAND_REDO;
inline constexpr uint32_t CMD_PREVIOUS_MARKER = COMMAND_PREV_MARKER;
inline constexpr uint32_t CMD_NEXT_MARKER = COMMAND_NEXT_MARKER;
inline constexpr uint32_t CMD_STOP = COMMAND_STOP;
inline constexpr uint32_t CMD_RECORD_STORE = COMMAND_RECORD_IN_STORE_MODE;

// "record", "Undo", "Meter"...; "command N" for an id this host has no name for.
std::string CommandName(uint32_t id);

// True when `name` is a command name of CommandName (any case) or a number.
bool IsCommandName(const std::string& name);

// Whether a logged command (its id) answers to `name` (a name or a number).
bool CommandMatches(uint32_t id, const std::string& name);

}  // namespace sim
