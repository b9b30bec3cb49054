// SPDX-License-Identifier: MIT
// The core's GoogleTest fixture: a fresh window::Form1 on a FakeView, against the library double.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/serial_layer.h"
#include "core/text.h"
#include "fake_library.h"
#include "fake_view.h"
#include "scratch_directory.h"

using Log = std::vector<std::string>;
using window::Box;
using window::Control;

const std::string kTimeoutReply = ".-0001ERRO:         99}";
const std::string kNotWrittenReply = ".-0001ERRO:         98}";  // the command could not be sent

inline window::Handler click(Control control) {
    return {control, window::Event::Click};
}

/// The one message's summary (and detail), or "" when none was shown.
inline std::string oneMessage(const std::vector<window::Message> &messages, bool detail = true) {
    if (messages.size() != 1) {
        return messages.empty() ? "" : "several messages";
    }
    return window::toUtf8(messages[0].summary +
                          (detail ? u"\n" + messages[0].detail : window::Text()));
}

/// A fresh window::Form1 on a FakeView in a fresh scratch directory, against the double.
class CoreTest : public ::testing::Test {
  protected:
    CoreTest() {
        window::Module1::setLibraryFile(FAKE_ZARVO_PATH);
        window::SerialLayer::setLibraryFile("");  // no devices offered unless a test asks
        fake.reset();
    }

    /// The text of the one error shown, summary and detail, or "" when none was.
    std::string error() const { return oneMessage(view.errors); }
    /// The summary of the one notice shown, or "" when none was.
    std::string notice() const { return oneMessage(view.notices, false); }

    /// Runs @p steps inside the guard of a handler and returns the one error it showed.
    std::string errorOf(const std::function<void()> &steps) {
        view.errors.clear();
        form.handleWith(click(Control::Command4), steps);
        return error();
    }

    zarvo::testing::ScratchDirectory scratch;
    FakeLibrary fake;
    FakeView view;
    window::Form1 form{view};
};

inline window::Text u16(const std::string &utf8) {
    return window::fromUtf8(utf8);
}

/// The bytes 0x80 to 0xFF, each once: what Latin-1 adds to ASCII.
inline std::string highBytes() {
    std::string bytes;
    for (int c = 0x80; c <= 0xFF; ++c) {
        bytes += char(c);
    }
    return bytes;
}
