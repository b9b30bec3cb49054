// SPDX-License-Identifier: MIT
// Reading RespApf.txt back, and telling why the library could not write it, as it found.
#include "reply_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Zarvo.h"
#include "handler_error.h"
#include "os.h"
#include "text.h"

namespace zarvo::window::reply_file {
namespace {

HandlerError readError(const Text &reason) {
    return HandlerError::aboutFile(
        u"Não foi possível ler a resposta da impressora no arquivo " + fromLatin1(kName) + u".",
        kName, reason);
}

Text whyNotWritten(std::int32_t finding, std::int32_t error) {
    const Text name = fromLatin1(kName);
    switch (finding) {
        case ZARVO_REPLY_FILE_LINK:
            return name + u" é um link simbólico, e a resposta nunca é gravada através de links.";
        case ZARVO_REPLY_FILE_DIRECTORY:
            return name + u" é uma pasta, não um arquivo; remova-a ou dê-lhe outro nome.";
        case ZARVO_REPLY_FILE_NOT_PLAIN:
            return name + u" não é um arquivo comum.";
        case ZARVO_REPLY_FILE_READ_ONLY:
            return u"o arquivo " + name + u" não pode ser gravado: " + os::systemErrorReason(error);
        case ZARVO_REPLY_FILE_DIRECTORY_READ_ONLY:
            return u"a pasta não permite gravar arquivos: " + os::systemErrorReason(error);
        case ZARVO_REPLY_FILE_DISK_FULL:
        case ZARVO_REPLY_FILE_OTHER:
            if (error != 0) {
                return os::systemErrorReason(error);
            }
            break;
        default:
            break;
    }
    return u"a biblioteca não conseguiu gravar o arquivo (motivo não identificado). Se havia no "
           u"lugar dele um link simbólico ou um arquivo somente leitura, ela o removeu; tente de "
           u"novo.";
}

struct Closer {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

}  // namespace

Text readFirstLine() {
    std::unique_ptr<std::FILE, Closer> file(std::fopen(kName, "rb"));
    if (file == nullptr) {
        throw readError(systemReason(errno));
    }
    std::string line;
    bool empty = true;
    char chunk[4096];
    for (;;) {
        const std::size_t count = std::fread(chunk, 1, sizeof chunk, file.get());
        if (count == 0) {
            if (std::ferror(file.get())) {
                throw readError(systemReason(errno));
            }
            break;
        }
        empty = false;
        const auto *end = static_cast<const char *>(std::memchr(chunk, '\r', count));
        if (end != nullptr) {
            line.append(chunk, static_cast<std::size_t>(end - chunk));
            break;
        }
        line.append(chunk, count);
    }
    if (empty) {
        throw readError(u"o arquivo está vazio: não contém nenhuma linha.");
    }
    return fromLatin1(line);
}

void reportNotWritten(std::int32_t finding, std::int32_t error) {
    throw HandlerError::aboutFile(
        u"A biblioteca não conseguiu gravar a resposta da impressora "
        u"no arquivo " +
            fromLatin1(kName) + u".",
        kName, whyNotWritten(finding, error));
}

}  // namespace zarvo::window::reply_file
