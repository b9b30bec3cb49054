// SPDX-License-Identifier: MIT
// The Qt tests' access to the window's state and routines, which live in core::Form1.
#pragma once

#include <QString>

#include <functional>

#include "core/form1.h"
#include "qt/form1.h"

class Form1Probe {
  public:
    explicit Form1Probe(Form1 &form) : core_(form.logic()) {}

    static QString q(const core::Text &text) { return QString::fromStdU16String(text); }

    QString LastReply() const { return q(core_.LastReply); }
    QString ReplySign() const { return q(core_.ReplySign); }
    QString SummerTimeFlag() const { return q(core_.SummerTimeFlag); }
    void setLastReply(const QString &text) { core_.LastReply = text.toStdU16String(); }
    void setReplySign(const QString &text) { core_.ReplySign = text.toStdU16String(); }
    std::optional<std::int32_t> &PrinterPort() { return core_.PrinterPort; }
    std::int32_t &LinkStatus() { return core_.LinkStatus; }

    core::Module1 &link() { return core_.link(); }

    std::int32_t Tenta(std::int32_t port) { return core_.Tenta(port); }
    std::int16_t VV(std::int32_t port, std::int32_t timeout, const QString &command) {
        return core_.VV(port, timeout, command.toStdU16String());
    }
    QString Retorno() { return q(core_.Retorno()); }
    void Resultado() { core_.Resultado(); }
    std::int16_t PaperEnd() { return core_.PaperEnd(); }
    QString ReplyData() { return q(core_.ReplyData()); }

    /// Runs @p body as the window runs a handler: in turn, with the error guard.
    void runHandler(core::Handler handler, const std::function<void()> &body) {
        core_.handleWith(handler, body);
    }

  private:
    core::Form1 &core_;
};
