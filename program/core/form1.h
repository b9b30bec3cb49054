// SPDX-License-Identifier: MIT
// Form1's logic: the window's state, its handlers and the routines they use, on any view.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "module1.h"
#include "view.h"

namespace zarvo::window {

class HandlerError;

/// The operator window's logic. A view creates one per window, passes every handled event to
/// handle(), and asks mayClose() before it closes. Everything runs on the view's UI thread.
class Form1 {
  public:
    explicit Form1(View &view);
    Form1(const Form1 &) = delete;
    Form1 &operator=(const Form1 &) = delete;

    /// Runs @p handler to its end, one handler at a time and in order. A handler that stops on a
    /// platform error (library, reply file, LeitM.txt, 16-bit overflow) closes the ports it left
    /// open and shows the error with View::showError; a port that did not open is told with
    /// View::showNotice when the handler ends. Called again while a handler runs (a focus event
    /// raised during a blocking call), it queues @p handler and returns at once.
    void handle(Handler handler);

    /// As handle(), with @p steps run in place of the handler's own steps: how the tests run a
    /// routine inside the guard of a handler.
    void handleWith(Handler handler, const std::function<void()> &steps);

    /// True when the window may close now. While a handler runs it returns false and remembers
    /// the request: no queued handler runs any more, and View::closeWindow is called when the
    /// running handler has ended.
    bool mayClose();

    /// Whether the window handles @p handler: views raise only these events.
    static bool handles(Handler handler);

    /// The link library as this window calls it.
    Module1 &link() { return module1_; }

    /// Whether a handler is running.
    bool running() const { return running_; }

    // The window's state, kept for the life of the window; public for the views' tests.
    Text LastReply;
    Text ReplySign;
    std::optional<std::int32_t> PrinterPort;
    Text SummerTimeFlag;
    std::int32_t LinkStatus = 0;

    // The exchange routines; handlers call them, and the tests call them directly.
    std::int32_t Tenta(std::int32_t port);
    std::int16_t VV(std::int32_t port, std::int32_t timeout, Text command);
    Text Retorno();
    void Resultado();
    std::int16_t PaperEnd();
    Text ReplyData();
    void SaveReading();

  private:
    void run(Handler handler, const std::function<void()> &steps);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Porredu_Click();
    void Pordata_Click();
    void Ini_GotFocus();
    void Ini_Validate();
    void Fim_GotFocus();
    void Fim_Validate();
    void LMF_Click();

  public:
    /// Every handler of the window, with the member that runs it: the one list of which event of
    /// which control runs what. The views wire these events and no other.
    struct HandlerRow {
        Handler handler;
        void (Form1::*steps)();
    };
    static constexpr auto kHandlers = std::to_array<HandlerRow>({
        {{Control::Command1, Event::Click}, &Form1::Command1_Click},
        {{Control::Command2, Event::Click}, &Form1::Command2_Click},
        {{Control::Command3, Event::Click}, &Form1::Command3_Click},
        {{Control::Command4, Event::Click}, &Form1::Command4_Click},
        {{Control::LMF, Event::Click}, &Form1::LMF_Click},
        {{Control::Porredu, Event::Click}, &Form1::Porredu_Click},
        {{Control::Pordata, Event::Click}, &Form1::Pordata_Click},
        {{Control::Ini, Event::GotFocus}, &Form1::Ini_GotFocus},
        {{Control::Ini, Event::Validate}, &Form1::Ini_Validate},
        {{Control::Fim, Event::GotFocus}, &Form1::Fim_GotFocus},
        {{Control::Fim, Event::Validate}, &Form1::Fim_Validate},
    });

  private:
    /// The summer-time and X-reading buttons: progress text, Abre, VV, Fecha, Resultado.
    void sendOneCommand(const Text &progress, std::int32_t timeout, const Text &command);
    /// TXRX; on -2 the answer box is cleared and the reply file's failure thrown.
    std::int16_t exchange(std::int32_t port, std::int32_t timeout, const Text &command);
    std::int32_t printerPortNumber() const { return PrinterPort.value_or(0); }
    void closePortsLeftOpen();
    void tellPortsNotOpened(Handler handler);

    View &view_;
    Module1 module1_;
    bool running_ = false;
    bool closeRequested_ = false;
    // A handler runs to its end before the next one starts: the routines keep the ports, the
    // state and the reply file between their steps. A blocking call lets the view repaint, and
    // a focus moved meanwhile (Validate, GotFocus) must not run inside the waiting handler, so
    // such a handler waits here for its turn.
    std::deque<Handler> pending_;
};

}  // namespace zarvo::window
