// SPDX-License-Identifier: MIT
// The tests' access to Form1's state and routines, which the window keeps private.
#pragma once

#include <functional>

#include "form1.h"

class Form1Probe {
  public:
    explicit Form1Probe(Form1 &form) : form_(form) {}

    QString &LastReply() { return form_.LastReply; }
    QString &ReplySign() { return form_.ReplySign; }
    std::optional<std::int32_t> &PrinterPort() { return form_.PrinterPort; }
    QString &SummerTimeFlag() { return form_.SummerTimeFlag; }
    std::int32_t &LinkStatus() { return form_.LinkStatus; }

    std::int32_t Tenta(std::int32_t port) { return form_.Tenta(port); }
    std::int16_t VV(std::int32_t port, std::int32_t timeout, const QString &command) {
        return form_.VV(port, timeout, command);
    }
    QString Retorno() { return form_.Retorno(); }
    void Resultado() { form_.Resultado(); }
    std::int16_t PaperEnd() { return form_.PaperEnd(); }
    QString ReplyData() { return form_.ReplyData(); }

    /// Runs @p body as the window runs a handler: in turn, with the error guard.
    void runHandler(const char *name, const std::function<void()> &body) {
        form_.runHandler(name, body);
    }

  private:
    Form1 &form_;
};
