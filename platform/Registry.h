#pragma once
// Read-only access to the current user's registry, where the host drawing
// program records its installations. On Windows this is HKEY_CURRENT_USER;
// on Linux the host runs under Wine, so it is the user registry of a Wine
// prefix. Nothing here ever writes to the registry.
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace kerfmax {

// A value is read into a buffer of this many bytes, terminator included;
// a value that does not fit counts as absent.
inline constexpr std::size_t kRegistryValueBufferSize = 260;

class Registry {
public:
    virtual ~Registry() = default;

    // The value under HKEY_CURRENT_USER\keyPath taken as zero-terminated text,
    // whatever type it is stored with. keyPath uses backslashes ("Software\A\B");
    // an empty valueName is the key's default value. Key and value names are
    // compared case-insensitively. std::nullopt when the key or value is
    // missing or the value does not fit kRegistryValueBufferSize.
    virtual std::optional<std::string> ReadString(const std::string& keyPath,
                                                  const std::string& valueName) const = 0;

    // Turns a path as the host stored it ("C:\Users\...") into one this process
    // can open. std::nullopt when the path cannot be mapped (no drive letter).
    virtual std::optional<std::filesystem::path> ToLocalPath(const std::string& storedPath) const = 0;

    // Empty when the registry could be read; otherwise why it could not (a
    // registry that cannot be read behaves as if it held no keys).
    virtual std::string LoadProblem() const = 0;
};

// The registry the running program sees: on Linux the Wine prefix named by
// $WINEPREFIX, or ~/.wine when that is not set.
std::unique_ptr<Registry> OpenCurrentUserRegistry();

#ifndef _WIN32
// The user registry ("user.reg") of the Wine prefix in the given folder.
std::unique_ptr<Registry> OpenWinePrefixRegistry(const std::filesystem::path& prefix);
#endif

}  // namespace kerfmax
