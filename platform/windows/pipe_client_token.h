#pragma once
// Who a pipe client is, from the system's own records of its connection: the access token the
// client connected with (ImpersonateNamedPipeClient), and its process's token for the user a
// connection is filed under before its request has arrived.

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/client_identity.h"

namespace platform::win32 {

// The number a security identifier goes by in PipeClientIdentity: the last sub-authority of
// the system's own accounts (S-1-5-18 LocalSystem is 18, S-1-5-32-544 the Administrators
// group is 544), and for every other account (S-1-5-21-..., the users and their groups) a
// hash of the whole identifier with the top bit set, so that it never equals one of the former.
std::uint32_t accountIdOf(PSID sid);

// The user SID (as text) of the process at the client end of `pipe`; empty when it cannot be
// learnt (the process has gone, or may not be looked at). Only sorts clients into queues.
std::string clientProcessUser(HANDLE pipe);

// The user SID (as text) of the token the client connected with; empty when it cannot be read.
// Only sorts requests into queues. Call after something was read from the pipe.
std::string clientTokenUser(HANDLE pipe);

// Who the client is, from the token it connected with: its user, primary group, enabled groups
// (with 544 when CheckTokenMembership finds it an administrator), log-on session and process
// id. userId is unknown when the token cannot be read or is the anonymous one. Call after
// something was read from the pipe.
PipeClientIdentity pipeClientIdentity(HANDLE pipe);

}  // namespace platform::win32
