// SPDX-License-Identifier: MIT
// The explanation of each thread's last failed call, for sio_error_text and API232_DEBUG.
#ifndef API232_LAST_ERROR_H
#define API232_LAST_ERROR_H

#include <string>

#include "zarvo_files.h"

namespace zarvo::serial {

/// Keeps @p text as the calling thread's last failure and, when API232_DEBUG is set, tells it on
/// standard error. Never throws.
void report_failure(const std::string &text) noexcept;

/// The calling thread's last failure, "" when none.
const std::string &last_failure() noexcept;

/// The system's own words for an errno or GetLastError value (on Windows followed by the value).
using files::system_reason;

}  // namespace zarvo::serial

#endif  // API232_LAST_ERROR_H
