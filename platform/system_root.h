#pragma once
// The system root: the one directory that holds every stand-in's state (registry, event log,
// pipes, simulated drives, service status), like a Windows installation's registry and logs.
// It is the directory in LMXDUOWATCH_ROOT, or the platform's default (defaultSystemRoot).

#include <filesystem>
#include <string>

namespace platform {

inline constexpr const char* kSystemRootVariable = "LMXDUOWATCH_ROOT";

// Where the system keeps its state when LMXDUOWATCH_ROOT is unset: the machine's own root.
const char* defaultSystemRoot();

// The root as configured now (read from the environment on every call, so a test can point a
// process at a fresh root), always absolute: a relative LMXDUOWATCH_ROOT is taken from the
// folder the program started in, and the environment is given the absolute path before main,
// so that the programs this one starts use the same root.
std::filesystem::path systemRoot();

// A configured root made absolute against the folder the program was started in (a relative
// root would name a different folder from every working folder).
std::filesystem::path absoluteRoot(const char* configured);

// True when the root is the default one, i.e. the stand-ins speak for the real machine.
bool isDefaultSystemRoot();

// Empty when the root may be used by a program run as root; else the message that says why not
// (the root, or a folder above it, belongs to another user or others may write it, or it is
// reached through a link: see platform/trusted_folder.h), for the programs to print before they
// refuse to install or start the service there. A root that does not exist yet is judged by the
// folders above it.
std::string systemRootRefusal();

// A directory under the root, created (with its parents) when missing: readable by every user,
// writable by its owner alone (on Windows: by the system and the administrators, the folder's
// access list protected from what the folders above it pass on).
std::filesystem::path systemRootDirectory(const std::filesystem::path& relative);

}  // namespace platform
