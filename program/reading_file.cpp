// SPDX-License-Identifier: MIT
// Writing LeitM.txt through a new file that is renamed over the old one when the reading ends.
#include "reading_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>

#include <cerrno>
#include <random>

#include "handler_error.h"

namespace {

QString tr(const char *text) {
    return QCoreApplication::translate("ReadingFile", text);
}

QString name() {
    return QLatin1String(ReadingFile::kName);
}

// Why LeitM.txt may not be replaced, or an empty text when it is a plain file or absent.
QString whyNotReplaceable() {
    struct stat status {};
    if (lstat(ReadingFile::kName, &status) != 0) {
        return errno == ENOENT ? QString() : systemReason(errno);
    }
    if (S_ISLNK(status.st_mode)) {
        return tr("%1 é um link simbólico, e a leitura não é gravada através de links; "
                  "apague o link.")
            .arg(name());
    }
    if (S_ISDIR(status.st_mode)) {
        return tr("%1 é uma pasta, não um arquivo; remova-a ou dê-lhe outro nome.").arg(name());
    }
    if (!S_ISREG(status.st_mode)) {
        return tr("%1 não é um arquivo comum.").arg(name());
    }
    return {};
}

}  // namespace

ReadingFile::ReadingFile() {
    const QString refused = whyNotReplaceable();
    if (!refused.isEmpty()) {
        fail(refused);
    }
    // A fresh name beside LeitM.txt; O_EXCL never reuses a file that is already there, and the
    // mode 0666 lets the umask decide, as for any file the operator creates.
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate =
            name() + QStringLiteral(".%1").arg(random() % 0x1000000, 6, 16, QLatin1Char('0'));
        fd_ = ::open(candidate.toLocal8Bit().constData(),
                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporaryName_ = candidate;
            return;
        }
        if (errno != EEXIST) {
            fail(systemReason(errno));
        }
    }
    fail(systemReason(EEXIST));
}

ReadingFile::~ReadingFile() {
    discard();
}

void ReadingFile::writeLine(const QString &line) {
    if (done_) {
        return;
    }
    const QByteArray bytes = line.toLatin1() + "\r\n";
    const char *next = bytes.constData();
    std::size_t left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const ssize_t written = ::write(fd_, next, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(systemReason(errno));
        }
        next += written;
        left -= static_cast<std::size_t>(written);
    }
}

void ReadingFile::commit() {
    if (done_) {
        return;
    }
    // The data reaches the disk before the name does, so a power cut never leaves an empty file
    // where a reading was.
    if (::fsync(fd_) != 0) {
        fail(systemReason(errno));
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        fail(systemReason(errno));
    }
    // rename replaces the name itself and never follows a link planted there meanwhile.
    if (::rename(temporaryName_.toLocal8Bit().constData(), kName) != 0) {
        fail(systemReason(errno));
    }
    done_ = true;
}

void ReadingFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!done_ && !temporaryName_.isEmpty()) {
        ::unlink(temporaryName_.toLocal8Bit().constData());
    }
    done_ = true;
}

void ReadingFile::fail(const QString &reason) {
    discard();
    throw HandlerError::aboutFile(
        tr("Não foi possível gravar a leitura da memória fiscal no arquivo %1.").arg(name()),
        name(), reason);
}
