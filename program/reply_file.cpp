// SPDX-License-Identifier: MIT
// Reading RespApf.txt back, and explaining why the library could not write it.
#include "reply_file.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstring>

#include "handler_error.h"

namespace ReplyFile {
namespace {

QString tr(const char *text) {
    return QCoreApplication::translate("ReplyFile", text);
}

HandlerError readError(const QString &reason) {
    return HandlerError::aboutFile(
        tr("Não foi possível ler a resposta da impressora no arquivo %1.")
            .arg(QLatin1String(kName)),
        QLatin1String(kName), reason);
}

bool exists() {
    struct stat status {};
    return lstat(kName, &status) == 0;
}

}  // namespace

QString obstacle() {
    struct stat status {};
    if (lstat(kName, &status) == 0) {
        if (S_ISLNK(status.st_mode)) {
            return tr("%1 é um link simbólico, e a resposta nunca é gravada através de links.")
                .arg(QLatin1String(kName));
        }
        if (S_ISDIR(status.st_mode)) {
            return tr("%1 é uma pasta, não um arquivo; remova-a ou dê-lhe outro nome.")
                .arg(QLatin1String(kName));
        }
        if (!S_ISREG(status.st_mode)) {
            return tr("%1 não é um arquivo comum.").arg(QLatin1String(kName));
        }
        if (access(kName, W_OK) != 0) {
            return tr("o arquivo %1 não pode ser gravado: %2")
                .arg(QLatin1String(kName), systemReason(errno));
        }
    }
    if (access(".", W_OK) != 0) {
        return tr("a pasta não permite gravar arquivos: %1").arg(systemReason(errno));
    }
    return {};
}

namespace {

QString whyNotWritten(const QString &before) {
    if (QString now = obstacle(); !now.isEmpty()) {
        return now;
    }
    if (!before.isEmpty()) {
        // Gone now: the library removed it so that no old reply stays under the name.
        if (exists()) {
            return before;
        }
        return (before.endsWith(QLatin1Char('.')) ? before : before + QLatin1Char('.')) +
               tr(" A biblioteca removeu-o; tente de novo.");
    }
    struct statvfs disk {};
    if (statvfs(".", &disk) == 0 && disk.f_bavail == 0) {
        return systemReason(ENOSPC);
    }
    return tr("a biblioteca não conseguiu gravar o arquivo (motivo não identificado).");
}

}  // namespace

QString readFirstLine() {
    QFile file(QString::fromLatin1(kName));
    if (!file.open(QIODevice::ReadOnly)) {
        throw readError(file.errorString());
    }
    QByteArray line;
    bool empty = true;
    char chunk[4096];
    for (;;) {
        const qint64 count = file.read(chunk, sizeof chunk);
        if (count < 0) {
            throw readError(file.errorString());
        }
        if (count == 0) {
            break;
        }
        empty = false;
        const auto *end = static_cast<const char *>(std::memchr(chunk, '\r', std::size_t(count)));
        if (end != nullptr) {
            line.append(chunk, end - chunk);
            break;
        }
        line.append(chunk, count);
    }
    if (empty) {
        throw readError(tr("o arquivo está vazio: não contém nenhuma linha."));
    }
    return QString::fromLatin1(line);
}

void reportNotWritten(const QString &before) {
    throw HandlerError::aboutFile(
        tr("A biblioteca não conseguiu gravar a resposta da impressora no arquivo %1.")
            .arg(QLatin1String(kName)),
        QLatin1String(kName), whyNotWritten(before));
}

}  // namespace ReplyFile
