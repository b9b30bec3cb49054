// SPDX-License-Identifier: MIT
// Reading, editing and atomically replacing the ports file.
#include "ports_file.h"

#include "last_error.h"
#include "port_numbers.h"
#include "system.h"
#include "zarvo_files.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace zarvo::serial {
namespace {

namespace fs = std::filesystem;

/// A ports file holds a handful of lines; anything this big is not one.
constexpr std::uintmax_t kLargestFile = 64 * 1024;

const char kHeader[] =
    "# Serial ports of Zarvo: one \"port number = device\" a line. zarvo-ports and the Zarvo\n"
    "# window write this file; the environment variable API232_PORT<n> wins over it.\n";

std::string trimmed(const std::string &text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

/// The port number and device of one line, or nothing for a blank or "#" comment line; throws
/// std::invalid_argument with the reason for a damaged line.
std::optional<std::pair<std::int32_t, std::string>> parse_ports_line(const std::string &line) {
    const std::string text = trimmed(line);
    if (text.empty() || text[0] == '#') {
        return std::nullopt;
    }
    const auto equals = text.find('=');
    if (equals == std::string::npos) {
        throw std::invalid_argument("falta \"=\" entre o número da porta e o dispositivo");
    }
    const std::string number = trimmed(text.substr(0, equals));
    const std::string device = trimmed(text.substr(equals + 1));
    if (number.empty() || number.size() > 3 ||
        number.find_first_not_of("0123456789") != std::string::npos) {
        throw std::invalid_argument("\"" + number + "\" não é um número de porta");
    }
    const int port = std::stoi(number);
    if (!is_port(port)) {
        throw std::invalid_argument(outside_ports(number));
    }
    if (device.empty()) {
        throw std::invalid_argument("falta o dispositivo depois de \"=\"");
    }
    return std::make_pair(port, device);
}

}  // namespace

fs::path ports_file_path() {
    const fs::path folder = configuration_folder();
    return folder.empty() ? fs::path() : folder / "zarvo" / "ports";
}

bool fits_a_line(const std::string &device) {
    // trimmed() is what the reading takes off; a line break would end the line.
    return device.find_first_of("\r\n") == std::string::npos && trimmed(device) == device;
}

bool PortsFile::load(const fs::path &path, std::string &why) {
    path_ = path;
    lines_.clear();
    assigned_.clear();
    line_of_.clear();
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        return true;
    }
    if (ec || !fs::is_regular_file(status) || fs::file_size(path, ec) > kLargestFile || ec) {
        why = "arquivo de portas " + path.string() + ": " +
              (ec ? ec.message() : std::string("não é um pequeno arquivo de texto"));
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "não foi possível ler o arquivo de portas " + path.string();
        return false;
    }
    bool damaged = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines_.push_back(line);
        if (damaged) {
            continue;
        }
        const std::string where = "arquivo de portas " + path.string() + ", linha " +
                                  std::to_string(lines_.size()) + ": ";
        try {
            if (const auto entry = parse_ports_line(line)) {
                if (assigned_.count(entry->first) != 0) {
                    throw std::invalid_argument("a porta " + std::to_string(entry->first) +
                                                " aparece duas vezes");
                }
                assigned_[entry->first] = entry->second;
                line_of_[entry->first] = lines_.size() - 1;
            }
        } catch (const std::invalid_argument &e) {
            why = where + e.what();
            damaged = true;
        }
    }
    if (in.bad()) {
        why = "não foi possível ler o arquivo de portas " + path.string();
        return false;
    }
    return !damaged;
}

std::optional<std::string> PortsFile::device(std::int32_t port) const {
    const auto found = assigned_.find(port);
    return found == assigned_.end() ? std::nullopt : std::optional(found->second);
}

bool PortsFile::assign(std::int32_t port, const std::string &device) {
    const auto found = line_of_.find(port);
    if (device.empty()) {
        if (found != line_of_.end()) {
            const std::size_t removed = found->second;
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(removed));
            for (auto &[other, index] : line_of_) {
                index -= index > removed ? 1 : 0;
            }
            line_of_.erase(port);
            assigned_.erase(port);
            return true;
        }
        return false;
    }
    const std::string line = std::to_string(port) + " = " + device;
    if (found != line_of_.end()) {
        lines_[found->second] = line;
    } else {
        if (lines_.empty()) {
            lines_.push_back(kHeader);
            lines_.back().pop_back();
        }
        lines_.push_back(line);
        line_of_[port] = lines_.size() - 1;
    }
    assigned_[port] = device;
    return true;
}

bool PortsFile::save(std::string &why) const {
    if (path_.empty()) {
        why =
            "não há pasta para o arquivo de portas: nem XDG_CONFIG_HOME nem HOME (no Windows, "
            "APPDATA) está definida";
        return false;
    }
    std::error_code ec;
    // A ports file kept elsewhere behind a link is replaced where it lies, keeping the link.
    // (A missing file sets ec here too; only a link needs resolving.)
    const bool link = fs::is_symlink(fs::symlink_status(path_, ec));
    ec.clear();
    const fs::path target = link ? fs::canonical(path_, ec) : path_;
    if (ec) {
        why = "arquivo de portas " + path_.string() + ": " + ec.message();
        return false;
    }
    fs::create_directories(target.parent_path(), ec);
    if (ec) {
        why =
            "não foi possível criar a pasta " + target.parent_path().string() + ": " + ec.message();
        return false;
    }
    std::string bytes;
    for (const std::string &line : lines_) {
        bytes += line + "\n";
    }
    files::Failure failure;
    fs::path temp;
    if (!files::replace_file(target, bytes, failure, &temp)) {
        why = (failure.step == files::Step::create ? "não foi possível criar " + temp.string()
                                                   : "não foi possível gravar " + target.string()) +
              ": " + files::system_reason(failure.error);
        return false;
    }
    return true;
}

}  // namespace zarvo::serial
