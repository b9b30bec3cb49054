// SPDX-License-Identifier: MIT
// The tests' handle on the link library double: dlopen of the same file that Module1 loads.
#pragma once

#include <dlfcn.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <string>

#include "fake_zarvo.h"

class FakeLibrary {
  public:
    /// Loads the double (or finds it loaded) and, unless @p keepRecord, forgets earlier calls.
    explicit FakeLibrary(const char *path = FAKE_ZARVO_PATH, bool keepRecord = false) {
        handle_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            throw std::runtime_error(std::string("cannot load the double: ") + dlerror());
        }
        resolve(reset_, "fake_reset");
        resolve(setAbre_, "fake_set_abre_result");
        resolve(setFecha_, "fake_set_fecha_result");
        resolve(pushTxrx_, "fake_push_txrx");
        resolve(pushReply_, "fake_push_reply");
        resolve(setDelay_, "fake_set_txrx_delay_ms");
        resolve(inTxrx_, "fake_txrx_in_progress");
        resolve(count_, "fake_call_count");
        resolve(call_, "fake_get_call");
        if (!keepRecord) {
            reset();
        }
    }
    ~FakeLibrary() { dlclose(handle_); }
    FakeLibrary(const FakeLibrary &) = delete;
    FakeLibrary &operator=(const FakeLibrary &) = delete;

    static QString path() { return QString::fromLocal8Bit(FAKE_ZARVO_PATH); }

    void reset() { reset_(); }
    void setAbreResult(int32_t port, int32_t result) { setAbre_(port, result); }
    void setFechaResult(int32_t port, int32_t result) { setFecha_(port, result); }
    /// The next TXRX writes @p reply and CR LF to RespApf.txt and returns 0.
    void pushReply(const QByteArray &reply) { pushReply_(reply.constData()); }
    /// The next TXRX writes exactly @p bytes as RespApf.txt and returns @p result.
    void pushFile(const QByteArray &bytes, int32_t result = 0) {
        pushTxrx_(bytes.constData(), static_cast<int32_t>(bytes.size()), result);
    }
    /// The next TXRX leaves RespApf.txt as it is and returns @p result.
    void pushNoFile(int32_t result) { pushTxrx_(nullptr, 0, result); }
    void setDelayMs(int32_t ms) { setDelay_(ms); }
    bool inTxrx() const { return inTxrx_() != 0; }

    fake_call call(int index) const {
        fake_call out{};
        if (call_(index, &out) != 0) {
            throw std::out_of_range("no such call");
        }
        return out;
    }

    /// The calls as "Abre 1", "Fecha 1", "TXRX 1 3 .28" (command decoded as Latin-1).
    QStringList log() const {
        QStringList lines;
        for (int i = 0; i < count_(); ++i) {
            const fake_call c = call(i);
            QString line =
                QString::fromLatin1(c.function) + QLatin1Char(' ') + QString::number(c.port);
            if (QByteArray(c.function) == "TXRX") {
                line +=
                    QLatin1Char(' ') + QString::number(c.timeout_s) + QLatin1Char(' ') +
                    QString::fromLatin1(c.command, qMin(c.count, int32_t(sizeof c.command - 1)));
            }
            lines << line;
        }
        return lines;
    }

  private:
    template <typename Function>
    void resolve(Function &slot, const char *name) {
        slot = reinterpret_cast<Function>(dlsym(handle_, name));
        if (slot == nullptr) {
            throw std::runtime_error(std::string("the double lacks ") + name);
        }
    }

    void *handle_ = nullptr;
    decltype(&fake_reset) reset_ = nullptr;
    decltype(&fake_set_abre_result) setAbre_ = nullptr;
    decltype(&fake_set_fecha_result) setFecha_ = nullptr;
    decltype(&fake_push_txrx) pushTxrx_ = nullptr;
    decltype(&fake_push_reply) pushReply_ = nullptr;
    decltype(&fake_set_txrx_delay_ms) setDelay_ = nullptr;
    decltype(&fake_txrx_in_progress) inTxrx_ = nullptr;
    decltype(&fake_call_count) count_ = nullptr;
    decltype(&fake_get_call) call_ = nullptr;
};
