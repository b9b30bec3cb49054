// SPDX-License-Identifier: MIT
// One open port: the device it holds and the input received but not yet taken.
#ifndef API232_PORT_H
#define API232_PORT_H

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "transport.h"

namespace zarvo::serial {

struct Port {
    Port(const Port &) = delete;
    Port &operator=(const Port &) = delete;
    explicit Port(std::string device_name) : name(std::move(device_name)) {}

    /// Bytes received and not yet taken.
    std::size_t waiting() const { return input.size() - next; }

    /// Takes the oldest byte; only when waiting() is above 0.
    unsigned char take() {
        const unsigned char byte = input[next++];
        if (next == input.size()) {
            input.clear();
            next = 0;
        }
        return byte;
    }

    std::mutex busy;  ///< Held for the length of each call on this port.
    const std::string name;
    DeviceHandle device;  ///< Empty once the port is closed.
    DeviceIdentity identity;
    std::vector<unsigned char> input;
    std::size_t next = 0;  ///< Index in input of the oldest byte not yet taken.
    bool gone = false;     ///< The device is gone for good: every call but close fails at once.
    /// What API232_DEBUG has told about this port since it last worked (a byte read, a frame
    /// written), so that a wait polling a failing line tells each thing once.
    std::vector<std::string> told;
};

}  // namespace zarvo::serial

#endif  // API232_PORT_H
