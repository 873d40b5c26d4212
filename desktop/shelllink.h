#pragma once
// Shell shortcut (.lnk) files in the documented binary shell-link format:
// written for favourite pictures, read when a picture folder holds shortcuts.
// Nothing a shortcut names is opened or executed; reading only extracts the
// target's path.
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvanta {

// Writes a shortcut at `link` to the existing file or folder `target` (made
// absolute), with `description` (UTF-8) as its name string. An existing file
// at `link` is replaced in one step. Returns 0 on success, otherwise an errno
// value (ENOENT when the target is missing, the write or rename error else).
int createShortcut(const std::string& target, const std::string& link, const std::string& description);

// Reads the shortcut file `link` (at most 1 MiB of it). Returns the target's
// file attributes recorded in the link (never 0; 0x80 when the link recorded
// none) when a target path was obtained, 0 otherwise; `target` is "" on
// failure. Windows paths ("C:\Photos\x.jpg") are returned as they are.
std::uint32_t resolveShortcut(const std::string& link, std::string& target);

// The same over bytes in memory. Every offset and size in the data is checked
// against `size`; nothing outside [data, data + size) is read.
std::uint32_t parseShortcut(const std::uint8_t* data, std::size_t size, std::string& target);

// Reads the description (NAME_STRING) of a shortcut in memory, UTF-8; false
// when the data is not a shortcut or has none.
bool shortcutDescription(const std::uint8_t* data, std::size_t size, std::string& description);

}  // namespace orvanta
