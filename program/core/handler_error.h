// SPDX-License-Identifier: MIT
// The error that stops a window handler: a platform failure told to the operator in a message.
#pragma once

#include <string_view>
#include <utility>

#include "view.h"

namespace zarvo::window {

/// Thrown by the routines when the platform fails (library, reply file, LeitM.txt, 16-bit
/// overflow); caught once around every handler, which then closes its ports and shows it.
class HandlerError {
  public:
    explicit HandlerError(Message message) : message_(std::move(message)) {}

    /// A failure on @p file of the current directory: the detail names the file, the directory
    /// and @p reason.
    static HandlerError aboutFile(Text summary, std::string_view file, const Text &reason);

    const Message &message() const { return message_; }

  private:
    Message message_;
};

}  // namespace zarvo::window
