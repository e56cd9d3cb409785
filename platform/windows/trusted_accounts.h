#pragma once
// The accounts a program may trust with what it reads and writes: the system, the
// administrators, the installer service (which owns the system's own folders) and the user the
// program runs as. Any other user may be hostile.

#include <windows.h>

#include <string>

namespace platform::win32 {

bool isTrustedAccount(PSID sid);

// The SID of the process's user in SDDL text ("S-1-5-18" for a service run as LocalSystem); empty
// when it cannot be read.
std::wstring processUserSidText();

// Whether the open file or folder belongs to a trusted account (the handle needs READ_CONTROL).
bool ownedByTrustedAccount(HANDLE object);

}  // namespace platform::win32
