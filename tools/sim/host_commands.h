// What this host calls its command ids. The transport, measure, marker, undo
// and record-mode commands act on the host model; every other id is named
// after the function-command caption that runs it and is only logged.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

inline constexpr uint32_t CMD_PLAY = 16;
inline constexpr uint32_t CMD_RECORD = 17;
inline constexpr uint32_t CMD_REWIND = 18;
inline constexpr uint32_t CMD_RECORD_MODE = 20;
inline constexpr uint32_t CMD_FORWARD = 36;
inline constexpr uint32_t CMD_PREVIOUS_MEASURE = 37;
inline constexpr uint32_t CMD_NEXT_MEASURE = 38;
inline constexpr uint32_t CMD_UNDO = 41;
inline constexpr uint32_t CMD_REDO = 152;
inline constexpr uint32_t CMD_PREVIOUS_MARKER = 168;
inline constexpr uint32_t CMD_NEXT_MARKER = 169;
inline constexpr uint32_t CMD_STOP = 170;
inline constexpr uint32_t CMD_RECORD_STORE = 245;

// "record", "Undo", "Meter"...; "command N" for an id this host has no name for.
std::string CommandName(uint32_t id);

// True when `name` is a command name of CommandName (any case) or a number.
bool IsCommandName(const std::string& name);

// Whether a logged command (its id) answers to `name` (a name or a number).
bool CommandMatches(uint32_t id, const std::string& name);

}  // namespace sim
