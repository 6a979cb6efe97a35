// The command lines with which the uninstall hook (Quillet) and the dialog
// program (TavrelReg) have the system's registration tool remove the plug-in,
// and the checks on the values they are built from. Portable: no Windows
// calls, so the rules are unit-tested natively; each program's glue supplies
// the registry, the Windows directory and the process start.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

// Room the command buffer has, terminating zero included.
inline constexpr std::size_t COMMAND_BUFFER_SIZE = 512;
// Room GetWindowsDirectoryA is given; an answer of this or more means it
// wrote nothing (the directory did not fit).
inline constexpr unsigned WINDOWS_DIR_ROOM = 256;
// Room for the install directory as read from the registry.
inline constexpr std::size_t INSTALL_DIR_BUFFER_SIZE = 256;
// The plug-in's folder below the host's shared-surfaces directory.
inline constexpr char PLUGIN_FOLDER_NAME[] = "Tavrel";

// GetWindowsDirectoryA's answer, as a usable directory or nothing: 0 is a
// failure, and so is an answer of WINDOWS_DIR_ROOM or more, because then the
// call reported the size it needs and left the buffer unset.
std::optional<std::string_view> WindowsDirectoryFromAnswer(const char* buffer, unsigned answer);

// How a registry value is typed, as far as the hook cares.
enum class RegistryValueKind { Text, Other };

// Turns what RegQueryValueExA left in buffer (bytesRead of capacity bytes)
// into the install directory. Registry text need not end in a zero, so the
// text is terminated inside the buffer here. Nothing is returned for a value
// that is not text, is empty, does not fit with its terminator, or holds a
// double quote (which would end the quoted path early and smuggle extra
// arguments onto the command line).
std::optional<std::string_view> InstallDirectoryFromValue(RegistryValueKind kind, std::span<char> buffer,
                                                          std::size_t bytesRead);

// Writes <windowsDir>\SYSTEM32\regsvr32.exe /u /s "<installDir>\Tavrel\Tavrel.dll"
// into out, zero-terminated. Returns false, leaving out an empty string, when
// the result does not fit or installDir is unusable (empty or quoted); out is
// never written past its end.
bool BuildQuietUnregisterCommand(std::span<char> out, std::string_view windowsDir, std::string_view installDir);

// Writes <windowsDir>\SYSTEM32\regsvr32.exe /u ".\Tavrel.dll" into out,
// zero-terminated: the dialog program unregisters the plug-in file in its
// current directory and lets the tool report the result. Returns false,
// leaving out an empty string, when the result does not fit.
bool BuildUnregisterCommand(std::span<char> out, std::string_view windowsDir);
