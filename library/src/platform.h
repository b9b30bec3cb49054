// SPDX-License-Identifier: MIT
// What the link library takes from the operating system beyond standard C++: one file per system
// (platform_posix.cpp, platform_win32.cpp) defines these. RespApf.txt has its own pair
// (reply_file_writer.h).
#ifndef ZARVO_PLATFORM_H
#define ZARVO_PLATFORM_H

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "API232.h"

namespace zarvo {

using SioWait = std::int32_t(API232_CALL *)(std::int32_t port, std::int32_t ms);

/// The serial layer's sio_wait, or nullptr when the loaded serial layer has none. On Windows it is
/// looked up in the loaded API232.DLL, so that a serial library offering only the five functions
/// the link library needs still serves.
SioWait find_sio_wait() noexcept;

/// Stores the new counted text @p text (from make_counted_text, may be null when memory ran out)
/// in RX's reply variable @p variable, in the platform's convention; @p text is consumed.
void store_rx_reply(char **variable, char *text) noexcept;

/// Appends @p record to the trace file @p path in one write, so that records of several processes
/// never mix: the file is made if missing, never written through a symbolic link, and only when
/// it is a plain file. False with the system's reason in @p why.
bool append_to_trace(const char *path, std::string_view record, std::string &why) noexcept;

/// The calling process's id.
long long process_id() noexcept;

/// @p time as local time; false when the system cannot tell it.
bool local_time(std::time_t time, std::tm &local) noexcept;

}  // namespace zarvo

#endif  // ZARVO_PLATFORM_H
