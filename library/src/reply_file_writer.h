// SPDX-License-Identifier: MIT
// Writing RespApf.txt, the one-line record of the latest TXRX that the operator program reads
// back; one file per system (reply_file_writer_posix.cpp, reply_file_writer_win32.cpp).
#ifndef ZARVO_REPLY_FILE_WRITER_H
#define ZARVO_REPLY_FILE_WRITER_H

#include <string>
#include <string_view>

namespace zarvo {

inline constexpr char kReplyFileName[] = "RespApf.txt";

/**
 * Replaces ./RespApf.txt with @p outcome followed by CR LF. The outcome is written unchanged, so a
 * reply holding CR or LF gives more than one line. A symbolic link in its place is not followed.
 * When the file cannot be created, written or closed, a message naming the file and the reason
 * goes to stderr and an earlier RespApf.txt (file or link, never a link's target) is removed
 * where possible, so nobody reads an old reply as the current one.
 * @param[out] why when not null, receives the message of a failure (for the trace).
 * @return true when the whole line was written and the file closed.
 */
bool write_reply_file(std::string_view outcome, std::string *why = nullptr) noexcept;

}  // namespace zarvo

#endif  // ZARVO_REPLY_FILE_WRITER_H
