// The command lines of the uninstall hook and the dialog program, and the
// checks on the registry value and the Windows directory they are built from.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "unregister_command.h"

namespace {

TEST(QuietUnregisterCommand, QuotesThePluginBelowTheInstallDirectory) {
  std::array<char, COMMAND_BUFFER_SIZE> out{};
  ASSERT_TRUE(BuildQuietUnregisterCommand(out, "C:\\WINDOWS", "C:\\Program Files\\Shared Surfaces"));
  EXPECT_STREQ(out.data(),
               "C:\\WINDOWS\\SYSTEM32\\regsvr32.exe /u /s \"C:\\Program Files\\Shared Surfaces\\Tavrel\\Tavrel.dll\"");
}

// The buffer holds 511 characters and the zero. One past that must fail
// without touching anything beyond the buffer (the guard bytes after it).
TEST(QuietUnregisterCommand, FillsTheBufferExactlyAndFailsOnePastIt) {
  const std::string windowsDir = "C:\\WINDOWS";
  const std::size_t fixed = std::strlen("C:\\WINDOWS\\SYSTEM32\\regsvr32.exe /u /s \"\\Tavrel\\Tavrel.dll\"");
  for (std::size_t extra : {0u, 1u, 300u}) {
    const std::string installDir(COMMAND_BUFFER_SIZE - 1 - fixed + extra, 'd');
    std::array<char, COMMAND_BUFFER_SIZE + 8> storage;
    storage.fill('#');
    std::span<char> out(storage.data(), COMMAND_BUFFER_SIZE);
    const bool built = BuildQuietUnregisterCommand(out, windowsDir, installDir);
    EXPECT_EQ(built, extra == 0) << "extra " << extra;
    if (built) {
      EXPECT_EQ(std::strlen(out.data()), COMMAND_BUFFER_SIZE - 1);
    } else {
      EXPECT_EQ(out[0], '\0') << "a failed build leaves an empty command";
    }
    for (std::size_t i = COMMAND_BUFFER_SIZE; i < storage.size(); ++i) ASSERT_EQ(storage[i], '#') << "overrun at " << i;
  }
}

TEST(QuietUnregisterCommand, RefusesAnEmptyOrQuotedInstallDirectory) {
  std::array<char, COMMAND_BUFFER_SIZE> out{};
  EXPECT_FALSE(BuildQuietUnregisterCommand(out, "C:\\WINDOWS", ""));
  EXPECT_FALSE(BuildQuietUnregisterCommand(out, "C:\\WINDOWS", "C:\\x\" /i \"C:\\evil"));
  EXPECT_STREQ(out.data(), "");
}

TEST(UnregisterCommand, NamesThePluginInTheCurrentDirectory) {
  std::array<char, COMMAND_BUFFER_SIZE> out{};
  ASSERT_TRUE(BuildUnregisterCommand(out, "C:\\WINDOWS"));
  EXPECT_STREQ(out.data(), "C:\\WINDOWS\\SYSTEM32\\regsvr32.exe /u \".\\Tavrel.dll\"");

  std::array<char, 40> small;
  small.fill('#');
  EXPECT_FALSE(BuildUnregisterCommand(std::span<char>(small.data(), 30), "C:\\WINDOWS"));
  EXPECT_EQ(small[30], '#');
}

TEST(WindowsDirectoryAnswer, OnlyAnAnswerThatFitsIsADirectory) {
  const char buffer[WINDOWS_DIR_ROOM] = "C:\\WINDOWS";
  EXPECT_EQ(WindowsDirectoryFromAnswer(buffer, 10), std::optional<std::string_view>("C:\\WINDOWS"));
  EXPECT_EQ(WindowsDirectoryFromAnswer(buffer, WINDOWS_DIR_ROOM - 1)->size(), WINDOWS_DIR_ROOM - 1);
  EXPECT_FALSE(WindowsDirectoryFromAnswer(buffer, 0)) << "the call failed";
  EXPECT_FALSE(WindowsDirectoryFromAnswer(buffer, WINDOWS_DIR_ROOM)) << "the size needed: nothing was written";
  EXPECT_FALSE(WindowsDirectoryFromAnswer(buffer, 4000));
}

struct ValueCase {
  RegistryValueKind kind;
  std::string bytes;  // what the registry handed over, zeros included
  std::optional<std::string> expected;
  const char* why;
};

TEST(InstallDirectoryValue, TerminatesInsideTheBufferAndRefusesWhatIsNotAPath) {
  const ValueCase cases[] = {
      {RegistryValueKind::Text, std::string("C:\\Shared\0", 10), "C:\\Shared", "ordinary terminated text"},
      {RegistryValueKind::Text, "C:\\Shared", "C:\\Shared", "stored without its zero"},
      {RegistryValueKind::Text, std::string("C:\\A\0junk", 9), "C:\\A", "text ends at the first zero"},
      {RegistryValueKind::Other, std::string("C:\\Shared\0", 10), std::nullopt, "binary or numeric value"},
      {RegistryValueKind::Text, std::string("\0", 1), std::nullopt, "empty text"},
      {RegistryValueKind::Text, "", std::nullopt, "no bytes at all"},
      {RegistryValueKind::Text, std::string("C:\\a\" /x\0", 9), std::nullopt, "a quote would add arguments"},
      {RegistryValueKind::Text, std::string(INSTALL_DIR_BUFFER_SIZE - 1, 'p'),
       std::string(INSTALL_DIR_BUFFER_SIZE - 1, 'p'), "longest text that leaves room for the zero"},
      {RegistryValueKind::Text, std::string(INSTALL_DIR_BUFFER_SIZE, 'p'), std::nullopt, "fills the buffer, no zero"},
  };
  for (const ValueCase& c : cases) {
    std::array<char, INSTALL_DIR_BUFFER_SIZE + 4> storage;
    storage.fill('#');
    std::memcpy(storage.data(), c.bytes.data(), c.bytes.size());
    std::span<char> buffer(storage.data(), INSTALL_DIR_BUFFER_SIZE);
    std::optional<std::string_view> dir = InstallDirectoryFromValue(c.kind, buffer, c.bytes.size());
    ASSERT_EQ(dir.has_value(), c.expected.has_value()) << c.why;
    if (dir) {
      EXPECT_EQ(*dir, *c.expected) << c.why;
      EXPECT_EQ(dir->data()[dir->size()], '\0') << c.why << ": must be terminated";
    }
    for (std::size_t i = INSTALL_DIR_BUFFER_SIZE; i < storage.size(); ++i) ASSERT_EQ(storage[i], '#') << c.why;
  }
  std::array<char, 8> small{};
  EXPECT_FALSE(InstallDirectoryFromValue(RegistryValueKind::Text, small, 9)) << "a size larger than the buffer";
}

}  // namespace
