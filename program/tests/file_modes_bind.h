// SPDX-License-Identifier: MIT
// Lets a test see a read-only file or directory as the operator does, also when it runs as root.
#pragma once

#include <sys/capability.h>

#include <string>

/// While it lives, the calling thread (and every thread it starts) has lost the capabilities that
/// let root ignore file modes: CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH and CAP_FOWNER. They leave
/// the effective set only, so the destructor gives them back. The user stays the same, so the test
/// still reaches its build tree wherever that sits. For an ordinary user it changes nothing.
class FileModesBind {
  public:
    FileModesBind() {
        saved_ = cap_get_proc();
        cap_t reduced = cap_get_proc();
        const cap_value_t overrides[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER};
        if (saved_ == nullptr || reduced == nullptr ||
            cap_set_flag(reduced, CAP_EFFECTIVE, 3, overrides, CAP_CLEAR) != 0 ||
            cap_set_proc(reduced) != 0) {
            failure_ = "the capabilities that override file modes could not be dropped";
        }
        if (reduced != nullptr) {
            cap_free(reduced);
        }
    }
    ~FileModesBind() {
        if (saved_ != nullptr) {
            cap_set_proc(saved_);
            cap_free(saved_);
        }
    }
    FileModesBind(const FileModesBind &) = delete;
    FileModesBind &operator=(const FileModesBind &) = delete;

    /// Empty when file modes now bind this thread; else why the case cannot be made here.
    const std::string &failure() const { return failure_; }

  private:
    cap_t saved_ = nullptr;
    std::string failure_;
};
