// SPDX-License-Identifier: MIT
// Each thread's last failure, kept for sio_error_text and told on standard error for API232_DEBUG.
#include "last_error.h"

#include <cstdio>

#include "system.h"

namespace zarvo::serial {
namespace {

std::string &failure_slot() noexcept {
    static thread_local std::string text;
    return text;
}

void keep(const std::string &text) noexcept {
    try {
        failure_slot() = text;
    } catch (...) {
        // Out of memory: the previous text stays, which is the best left to give.
    }
}

}  // namespace

void report_failure(const std::string &text) noexcept {
    static const bool told = [] {
        try {
            return !environment("API232_DEBUG").empty();
        } catch (...) {
            return false;
        }
    }();
    keep(text);
    if (told) {
        std::fprintf(stderr, "API232: %s\n", text.c_str());
    }
}

void report_note(const std::string &note) noexcept {
    keep(note);
}

void report_unexpected(const char *what) noexcept {
    try {
        report_failure(what != nullptr ? std::string("falha inesperada: ") + what
                                       : std::string("falha inesperada"));
    } catch (...) {
    }
}

const std::string &last_failure() noexcept {
    return failure_slot();
}

}  // namespace zarvo::serial
