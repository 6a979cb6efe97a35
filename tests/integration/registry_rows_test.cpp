// docs/registration.md against the registry table: its tables of written and
// removed keys are, line for line, what registry_rows.h says.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "registry_rows.h"

namespace {

std::string Quoted(const char* text) {
  std::string quoted = "`";
  quoted += text;
  quoted += '`';
  return quoted;
}

std::string DocumentedValue(const RegistryRow& row) {
  std::string documented = row.valueName != nullptr ? Quoted(row.valueName) : "default";
  documented += ": ";
  documented += IsModulePathRow(row) ? "full path of Tavrel.dll" : row.value[0] == '\0' ? "empty" : Quoted(row.value);
  return documented;
}

// One documented line per key: its values joined by "; ", then one line per
// removed key and when it is removed.
std::vector<std::string> ExpectedLines() {
  std::vector<std::string> lines;
  std::string lastKey;
  for (const RegistryRow& row : REGISTRY_ROWS) {
    if (row.key == lastKey) {
      lines.back() += "; ";
    } else {
      lines.push_back("| `");
      lines.back() += row.key;
      lines.back() += "` | ";
    }
    lines.back() += DocumentedValue(row);
    lastKey = row.key;
  }
  for (const RegistryOwnedKey& owned : REGISTRY_OWNED_KEYS) {
    lines.push_back("| `");
    lines.back() += owned.key;
    lines.back() += "` | ";
    if (owned.keptWhileOtherViewHas == nullptr) {
      lines.back() += "always";
    } else {
      lines.back() += "unless the other registry view has `";
      lines.back() += owned.keptWhileOtherViewHas;
      lines.back() += "`";
    }
  }
  for (std::string& line : lines) line += " |";
  return lines;
}

std::string DocumentPath() {
  std::string path = REGISTRATION_DOC;
#ifdef _WIN32
  std::replace(path.begin(), path.end(), '/', '\\');
  std::string onDrive = "Z:";  // Wine's drive for the Linux file system
  onDrive += path;
  return onDrive;
#else
  return path;
#endif
}

TEST(RegistrationDocument, ListsExactlyTheTablesRows) {
  std::ifstream document(DocumentPath());
  ASSERT_TRUE(document) << DocumentPath();
  std::vector<std::string> documented;
  for (std::string line; std::getline(document, line);) {
    if (line.starts_with("| `")) documented.push_back(line);
  }
  EXPECT_EQ(ExpectedLines(), documented);
}

}  // namespace
