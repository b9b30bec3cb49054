// SPDX-License-Identifier: MIT
// Late binding of Abre, Fecha and TXRX, and the 16-bit conversions around each call.
#include "module1.h"

#include <dlfcn.h>

#include <QByteArray>
#include <QCoreApplication>

#include <cstring>
#include <vector>

#include "Zarvo.h"
#include "blocking_call.h"
#include "handler_error.h"

namespace Module1 {
namespace {

QString g_libraryFile = QStringLiteral("libZarvo.so");
void *g_library = nullptr;
decltype(&::Abre) g_abre = nullptr;
decltype(&::Fecha) g_fecha = nullptr;
decltype(&::TXRX) g_txrx = nullptr;
std::set<std::int16_t> g_openPorts;
std::vector<OpenFailure> g_openFailures;

QString tr(const char *text) {
    return QCoreApplication::translate("Module1", text);
}

// What dlerror() gave as the reason a library or function could not be had, with the library.
QString libraryDetail(const char *reason) {
    return tr("Biblioteca: %1\nMotivo: %2")
        .arg(g_libraryFile, QString::fromLocal8Bit(reason ? reason : "?"));
}

// dlopen is called from this object so that the executable's RUNPATH takes part in the search.
void *library() {
    if (g_library != nullptr) {
        return g_library;
    }
    dlerror();
    const QByteArray file = g_libraryFile.toLocal8Bit();
    void *handle = dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        throw HandlerError(
            tr("Não foi possível carregar a biblioteca de comunicação com a impressora."),
            libraryDetail(dlerror()));
    }
    g_library = handle;
    return handle;
}

template <typename Function>
Function bind(Function &slot, const char *name) {
    if (slot != nullptr) {
        return slot;
    }
    void *handle = library();
    dlerror();
    void *address = dlsym(handle, name);
    if (address == nullptr) {
        throw HandlerError(tr("A biblioteca de comunicação com a impressora não tem a função %1.")
                               .arg(QLatin1String(name)),
                           libraryDetail(dlerror()));
    }
    slot = reinterpret_cast<Function>(address);
    return slot;
}

std::int16_t narrow(std::int32_t value, const QString &what) {
    if (value < INT16_MIN || value > INT16_MAX) {
        throw HandlerError(
            tr("Estouro: %1 %2 não cabe num inteiro de 16 bits.").arg(what).arg(value),
            tr("Valores aceitos: de -32768 a 32767."));
    }
    return static_cast<std::int16_t>(value);
}

std::int16_t low16(std::int32_t result) {
    return static_cast<std::int16_t>(result & 0xFFFF);
}

// The command as the library reads it: a 4-byte little-endian count, the bytes, a NUL.
std::vector<char> countedText(const QByteArray &bytes) {
    std::vector<char> text(4 + static_cast<std::size_t>(bytes.size()) + 1, '\0');
    const auto count = static_cast<std::uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i) {
        text[static_cast<std::size_t>(i)] = static_cast<char>((count >> (8 * i)) & 0xFF);
    }
    std::memcpy(text.data() + 4, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return text;
}

}  // namespace

std::int16_t Abre(std::int32_t port) {
    const std::int16_t p = narrow(port, tr("a porta"));
    auto *abre = bind(g_abre, "Abre");
    const std::int16_t result = low16(runBlockingCall([&] { return abre(p); }));
    if (result >= 0) {
        g_openPorts.insert(p);
    } else {
        g_openFailures.push_back({p, result});
    }
    return result;
}

std::int16_t Fecha(std::int32_t port) {
    const std::int16_t p = narrow(port, tr("a porta"));
    auto *fecha = bind(g_fecha, "Fecha");
    const std::int16_t result = low16(runBlockingCall([&] { return fecha(p); }));
    g_openPorts.erase(p);
    return result;
}

std::int16_t TXRX(std::int32_t port, std::int32_t timeout_s, const QString &command) {
    const std::int16_t p = narrow(port, tr("a porta"));
    const std::int16_t t = narrow(timeout_s, tr("o tempo de espera"));
    auto *txrx = bind(g_txrx, "TXRX");
    const std::vector<char> text = countedText(eightBit(command));
    return low16(runBlockingCall([&] { return txrx(p, t, text.data() + 4); }));
}

void setLibraryFile(const QString &file) {
    g_libraryFile = file;
    g_library = nullptr;
    g_abre = nullptr;
    g_fecha = nullptr;
    g_txrx = nullptr;
}

QString libraryFile() {
    return g_libraryFile;
}

std::set<std::int16_t> takeOpenPorts() {
    std::set<std::int16_t> ports;
    ports.swap(g_openPorts);
    return ports;
}

std::vector<OpenFailure> takeOpenFailures() {
    std::vector<OpenFailure> failures;
    failures.swap(g_openFailures);
    return failures;
}

QString deviceOf(std::int32_t port) {
    const QByteArray named = qgetenv(("API232_PORT" + QByteArray::number(port)).constData());
    return named.isEmpty() ? QStringLiteral("/dev/ttyS%1").arg(port - 1)
                           : QString::fromLocal8Bit(named);
}

QByteArray eightBit(const QString &text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() <= 0xFF) {
            bytes.append(static_cast<char>(c.unicode()));
            continue;
        }
        // QString::toLatin1 would give one "?" per half of a surrogate pair.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
        }
        bytes.append('?');
    }
    return bytes;
}

}  // namespace Module1
