#pragma once
// An event source's registration with the application log: the key
// SYSTEM\CurrentControlSet\Services\EventLog\Application\<source> of the machine's registry, whose
// EventMessageFile names the library with the message table that the event viewer shows the
// entries' texts from (TXTRES_EN.dll beside the program), and TypesSupported the entry types.
// Under a test root the key lies in that root's registry and the source carries its tag.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform::win32 {

// The source's name in the log: the name under the default root, with the root's tag else.
std::string eventSourceName(std::string_view source);

// The registration's key, below the machine's registry of this root.
std::string eventSourceKeyPath(std::string_view source);

// The message file of the suite's sources: TXTRES_EN.dll in the running program's folder.
std::filesystem::path eventMessageFile();

// Writes the registration where it is missing or names another message file; 0 or the
// registry's error (5 for a user who may not write the machine's keys).
std::uint32_t registerEventSource(std::string_view source, const std::filesystem::path& messageFile);

// Removes the registration (when the service is removed); 0, or 2 when there was none.
std::uint32_t removeEventSourceRegistration(std::string_view source);

}  // namespace platform::win32
