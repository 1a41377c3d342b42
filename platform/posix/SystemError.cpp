#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace kerfmax {

namespace {

// strerror_r comes in two shapes; these overloads take whichever the library has.
[[maybe_unused]] std::string TextFrom(int result, const char* buffer, int code)
{
    if (result == 0) return buffer;
    return "Unknown error " + std::to_string(code);
}

[[maybe_unused]] std::string TextFrom(const char* result, const char* /*buffer*/, int /*code*/)
{
    return result;
}

}  // namespace

std::string SystemErrorText(int code)
{
    char buffer[256] = {};
    return TextFrom(strerror_r(code, buffer, sizeof buffer), buffer, code);
}

int LastSystemErrorCode()
{
    return errno;
}

int NotConnectedErrorCode()
{
    return ENOTCONN;
}

int TimedOutErrorCode()
{
    return ETIMEDOUT;
}

int ConnectionResetErrorCode()
{
    return ECONNRESET;
}

}  // namespace kerfmax
