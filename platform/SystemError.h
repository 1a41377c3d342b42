#pragma once
// The operating system's own text for an error code, for messages such as
// "Warning: %s\n". POSIX: errno values; Windows: GetLastError / WSAGetLastError.
#include <string>

namespace kerfmax {

// The system's message for the code, without a trailing line break.
std::string SystemErrorText(int code);

// The calling thread's last system error code.
int LastSystemErrorCode();

// Codes the program reports itself, in the system's numbering so that
// SystemErrorText names them: a connection that is not there, a wait that ran
// out, a connection the peer reset.
int NotConnectedErrorCode();
int TimedOutErrorCode();
int ConnectionResetErrorCode();

}  // namespace kerfmax
