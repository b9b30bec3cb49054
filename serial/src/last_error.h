// SPDX-License-Identifier: MIT
// The explanation of each thread's last failed call, for sio_error_text and API232_DEBUG.
#ifndef API232_LAST_ERROR_H
#define API232_LAST_ERROR_H

#include <cstdint>
#include <string>

#include "zarvo_files.h"

namespace zarvo::serial {

/// Keeps @p text as the calling thread's last failure and, when API232_DEBUG is set, tells it on
/// standard error. Never throws.
void report_failure(const std::string &text) noexcept;

/// Keeps @p note in the same place for a call that succeeded with a reservation the caller must
/// hear of (SIO_OVERRIDDEN); it is no failure, so API232_DEBUG does not tell it. Never throws.
void report_note(const std::string &note) noexcept;

/// Reports "falha inesperada" ("unexpected failure") and the exception's @p what (may be null).
/// Never throws.
void report_unexpected(const char *what) noexcept;

/// The calling thread's last failure (or note), "" when none.
const std::string &last_failure() noexcept;

/// Reports @p why and gives @p code back, for `return failed(SIO_..., why);`.
inline std::int32_t failed(std::int32_t code, const std::string &why) noexcept {
    report_failure(why);
    return code;
}

/// The system's own words for an errno or GetLastError value (on Windows followed by the value).
using files::system_reason;

}  // namespace zarvo::serial

#endif  // API232_LAST_ERROR_H
