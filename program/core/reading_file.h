// SPDX-License-Identifier: MIT
// LeitM.txt, the fiscal memory reading saved block by block in the current directory.
#pragma once

#include "view.h"
#include "zarvo_files.h"

namespace zarvo::window {

/// The lines go to a new file beside LeitM.txt, which takes the place of LeitM.txt only at
/// commit(): until then an earlier reading stays as it was, and a reading that stops half-way
/// never leaves a mix of two readings. Every failure throws HandlerError naming the file, the
/// directory and the system's reason; the new file is then removed.
class ReadingFile {
  public:
    /// The file's name; it has no directory part.
    static constexpr char kName[] = "LeitM.txt";

    /// Creates the new file. Refuses when LeitM.txt is a symbolic link, a directory or anything
    /// but a plain file, so that the reading is never written somewhere the operator did not mean.
    ReadingFile();

    /// Writes @p line as Latin-1 bytes, one character one byte, then CR LF.
    void writeLine(const Text &line);

    /// Puts the lines written so far in place of LeitM.txt. Does nothing after a failure.
    void commit();

  private:
    /// Fails with the system's reason unless @p stepDone: a step of the new file went wrong.
    void check(bool stepDone);
    [[noreturn]] void fail(const Text &reason);

    files::Replacement file_;
    bool done_ = false;
};

}  // namespace zarvo::window
