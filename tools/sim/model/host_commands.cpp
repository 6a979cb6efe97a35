#include "model/host_commands.h"

#include <cstdlib>

#include "function_command_table.h"
#include "model/controls.h"

namespace sim {
namespace {

struct Named {
  uint32_t id;
  const char* name;
};

constexpr Named kOwn[] = {
    {COMMAND_TRANSPORT_KEY_76, "play"},
    {COMMAND_RECORD, "record"},
    {COMMAND_REWIND, "rewind"},
    {COMMAND_RECORD_MODE, "record mode"},
    {COMMAND_TRANSPORT_KEY_77, "forward"},
    {COMMAND_PREV_MEASURE, "previous measure"},
    {COMMAND_NEXT_MEASURE, "next measure"},
    {COMMAND_STOP, "stop"},
    {COMMAND_RECORD_IN_STORE_MODE, "record (store)"},
};

bool IsNumber(const std::string& text, uint32_t* value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *value = static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
  return true;
}

}  // namespace

std::string CommandName(uint32_t id) {
  for (const Named& named : kOwn)
    if (named.id == id) return named.name;
  for (const fkeys::FunctionCommand& command : fkeys::FUNCTION_COMMANDS)
    for (const fkeys::Step& step : command.steps)
      if (step.kind == fkeys::StepKind::RunCommand && step.arg == id) return command.caption;
  return "command " + std::to_string(id);
}

bool IsCommandName(const std::string& name) {
  uint32_t number = 0;
  if (IsNumber(name, &number)) return true;
  for (const Named& named : kOwn)
    if (SameWord(named.name, name)) return true;
  for (const fkeys::FunctionCommand& command : fkeys::FUNCTION_COMMANDS)
    for (const fkeys::Step& step : command.steps)
      if (step.kind == fkeys::StepKind::RunCommand && SameWord(command.caption, name)) return true;
  return false;
}

bool CommandMatches(uint32_t id, const std::string& name) {
  uint32_t number = 0;
  if (IsNumber(name, &number)) return number == id;
  return SameWord(CommandName(id), name);
}

}  // namespace sim
