// SPDX-License-Identifier: MIT
// Writing LeitM.txt through a new file that takes the old one's place when the reading ends.
#include "reading_file.h"

#include <filesystem>
#include <system_error>

#include "handler_error.h"
#include "os.h"
#include "text.h"

namespace zarvo::window {
namespace {

// Why LeitM.txt may not be replaced, or an empty text when it is a plain file or absent.
Text whyNotReplaceable() {
    namespace fs = std::filesystem;
    const Text name = fromLatin1(ReadingFile::kName);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(ReadingFile::kName, error);
    if (status.type() == fs::file_type::not_found) {
        return {};
    }
    if (error) {
        return fromUtf8(error.message());
    }
    if (fs::is_symlink(status)) {
        return name +
               u" é um link simbólico, e a leitura não é gravada através de links; apague "
               u"o link.";
    }
    if (fs::is_directory(status)) {
        return name + u" é uma pasta, não um arquivo; remova-a ou dê-lhe outro nome.";
    }
    if (!fs::is_regular_file(status)) {
        return name + u" não é um arquivo comum.";
    }
    return {};
}

}  // namespace

ReadingFile::ReadingFile() {
    const Text refused = whyNotReplaceable();
    if (!refused.empty()) {
        fail(refused);
    }
    check(file_.create(kName));
}

void ReadingFile::writeLine(const Text &line) {
    if (done_) {
        return;
    }
    check(file_.write(latin1Bytes(line) + "\r\n"));
}

void ReadingFile::commit() {
    if (done_) {
        return;
    }
    check(file_.commit());
    done_ = true;
}

void ReadingFile::check(bool stepDone) {
    if (!stepDone) {
        fail(os::systemErrorReason(file_.failure().error));
    }
}

void ReadingFile::fail(const Text &reason) {
    file_.discard();
    done_ = true;
    throw HandlerError::aboutFile(
        u"Não foi possível gravar a leitura da memória fiscal no arquivo " + fromLatin1(kName) +
            u".",
        kName, reason);
}

}  // namespace zarvo::window
