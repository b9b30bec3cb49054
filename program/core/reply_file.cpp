// SPDX-License-Identifier: MIT
// Reading RespApf.txt back, and explaining why the library could not write it.
#include "reply_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "handler_error.h"
#include "os.h"
#include "text.h"

namespace zarvo::window::ReplyFile {
namespace {

HandlerError readError(const Text &reason) {
    return HandlerError::aboutFile(
        u"Não foi possível ler a resposta da impressora no arquivo " + fromLatin1(kName) + u".",
        kName, reason);
}

// The library removes a link or a read-only file that it could not write, so that no old reply
// stays under the name; it says why on its error output. What is left to see after the call
// names the cause where it can.
Text whyNotWritten() {
    const Text name = fromLatin1(kName);
    const os::Look look = os::lookAt(kName);
    switch (look.obstacle) {
        case os::Obstacle::link:
            return name + u" é um link simbólico, e a resposta nunca é gravada através de links.";
        case os::Obstacle::directory:
            return name + u" é uma pasta, não um arquivo; remova-a ou dê-lhe outro nome.";
        case os::Obstacle::notPlainFile:
            return name + u" não é um arquivo comum.";
        case os::Obstacle::fileReadOnly:
            return u"o arquivo " + name + u" não pode ser gravado: " + look.reason;
        case os::Obstacle::directoryReadOnly:
            return u"a pasta não permite gravar arquivos: " + look.reason;
        case os::Obstacle::diskFull:
            return look.reason;
        case os::Obstacle::none:
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

void reportNotWritten() {
    throw HandlerError::aboutFile(
        u"A biblioteca não conseguiu gravar a resposta da impressora "
        u"no arquivo " +
            fromLatin1(kName) + u".",
        kName, whyNotWritten());
}

}  // namespace zarvo::window::ReplyFile
