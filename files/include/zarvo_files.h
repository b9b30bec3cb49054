// SPDX-License-Identifier: MIT
// What the serial layer, the link library and the window share of the system's files: a new file
// put in place of another in one step, and the system's own words for an error number. Portable
// parts in replacement.cpp, one file per system for the rest: files_posix.cpp, files_win32.cpp.
#ifndef ZARVO_FILES_H
#define ZARVO_FILES_H

#include <filesystem>
#include <string>
#include <string_view>

namespace zarvo::files {

#ifdef _WIN32
using SystemError = unsigned long;  ///< A GetLastError value.
#else
using SystemError = int;  ///< An errno value.
#endif

/// The system's own words for @p error, in UTF-8, without a closing period or line break; empty
/// when the system has none for it (Windows, for a number it does not know).
std::string system_words(SystemError error);

/// A failure as the serial layer and the link library tell it: on Windows the words and
/// "(erro N)", as its words alone are often too general to look up ("erro N" when it has no
/// words; the technician reads these in Portuguese beside the serial layer's texts); on POSIX
/// systems the words alone, which name an unknown number themselves.
std::string system_reason(SystemError error);

/// The C library's words for an errno value (what fopen and its kind set), in UTF-8. On POSIX
/// systems the same as system_words.
std::string errno_words(int error);

/// The step of a replacement that failed.
enum class Step {
    create,  ///< The new file could not be made beside the target.
    write,   ///< Its bytes could not be written.
    sync,    ///< They could not be flushed to the disk, or the file could not be closed.
    rename,  ///< It could not take the target's place.
};

struct Failure {
    Step step = Step::create;
    SystemError error = 0;  ///< What the failed call set.
};

/**
 * A new file, made under a fresh name of its own beside a target (never an existing file, never
 * through a link), written, flushed to the disk, then renamed over the target in one step. Until
 * then the target stays as it was, and readers see the old file or the whole new one, never a
 * part. A new file never put in place is removed: at once when a step fails, else by discard() or
 * the destructor.
 */
class Replacement {
  public:
    Replacement() = default;
    ~Replacement() { discard(); }
    Replacement(const Replacement &) = delete;
    Replacement &operator=(const Replacement &) = delete;

    /// Makes the new file beside @p target: its name is the target's, a dot and six hex digits.
    bool create(const std::filesystem::path &target);

    /// Appends @p bytes, going on after a short write or a signal.
    bool write(std::string_view bytes);

    /// Flushes the file to the disk, closes it and renames it over the target. A link in the
    /// target's place is replaced itself, never followed; a directory there fails the rename.
    bool commit();

    /// Closes and removes the new file unless it has been put in place.
    void discard() noexcept;

    /// Why the latest call that returned false failed.
    const Failure &failure() const noexcept { return failure_; }

    /// The new file's name (after a failed create, the last name tried).
    const std::filesystem::path &temporary() const noexcept { return temporary_; }

  private:
    /// Opens temporary_ as a file that did not exist: 0, or the error of the open; @p taken
    /// tells that the name was already in use.
    SystemError open_new(bool &taken) noexcept;
    bool fail(Step step, SystemError error) noexcept;

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    bool pending_ = false;  ///< A new file is under temporary_, not yet put in place.
#ifdef _WIN32
    void *handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    Failure failure_;
};

/// @p bytes as the whole of @p target, through a Replacement. False with @p failure set and, when
/// given, @p temporary naming the new file that was tried.
bool replace_file(const std::filesystem::path &target, std::string_view bytes, Failure &failure,
                  std::filesystem::path *temporary = nullptr);

}  // namespace zarvo::files

#endif  // ZARVO_FILES_H
