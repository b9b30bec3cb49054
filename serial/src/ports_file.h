// SPDX-License-Identifier: MIT
// The ports file: the user's own assignment of port numbers to devices, one "n = device" a line,
// in the per-user configuration folder. Read at every sio_open; changed by sio_assign.
#ifndef API232_PORTS_FILE_H
#define API232_PORTS_FILE_H

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zarvo::serial {

/// The file's place: $XDG_CONFIG_HOME/zarvo/ports, else $HOME/.config/zarvo/ports; on Windows
/// %APPDATA%\zarvo\ports. Empty when the environment names no such folder.
std::filesystem::path ports_file_path();

class PortsFile {
  public:
    /// Reads @p path. A missing file is an empty one. False with @p why set (naming the file and
    /// the line) when it cannot be read or a line is damaged; what was read is kept for editing.
    bool load(const std::filesystem::path &path, std::string &why);

    /// The device assigned to @p port, if any.
    std::optional<std::string> device(std::int32_t port) const;

    /// Assigns @p device to @p port in place of the line that assigned it (else on a new last
    /// line); an empty @p device removes that line. Every other line stays as it was. False when
    /// nothing changed (removing a port that had no line).
    bool assign(std::int32_t port, const std::string &device);

    /// Writes the lines to a new file beside the old one and renames it over the old one;
    /// creates the folder if needed. False with @p why set on failure; the old file then stays.
    bool save(std::string &why) const;

  private:
    std::filesystem::path path_;
    std::vector<std::string> lines_;
    std::map<std::int32_t, std::string> assigned_;
    std::map<std::int32_t, std::size_t> line_of_;
};

/// True when @p device, written as the device of a line, reads back as it is: it holds no line
/// break and begins and ends with no blank.
bool fits_a_line(const std::string &device);

}  // namespace zarvo::serial

#endif  // API232_PORTS_FILE_H
