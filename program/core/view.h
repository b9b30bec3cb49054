// SPDX-License-Identifier: MIT
// The one interface through which the window's logic sees a window, whatever toolkit draws it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace core {

/// The window's texts: 16-bit characters (UTF-16).
using Text = std::u16string;

/// The text boxes of Form1, by their control names.
enum class Box { Text1, Text2, Text3, COO, CCF, PAPEL, Reducao, LEITX, Ini, Fim };

/// The option buttons of Form1. Porredu and Pordata form one group, NaImp and NoArq another.
enum class Option { Porredu, Pordata, NaImp, NoArq };

/// The window's event handlers: the control's name, an underscore and the event's name. A view
/// wires each event to core::Form1::handle with one of these; nothing else names a handler.
enum class Handler {
    Command1_Click,
    Command2_Click,
    Command3_Click,
    Command4_Click,
    Porredu_Click,
    Pordata_Click,
    Ini_GotFocus,
    Ini_Validate,
    Fim_GotFocus,
    Fim_Validate,
    LMF_Click,
};

/// The handler's name as written above ("Command1_Click").
const char *nameOf(Handler handler);

/// A message for the operator: one sentence naming the problem, then the thing concerned (file,
/// directory, library, port) and the system's reason, one item a line.
struct Message {
    Text summary;
    Text detail;
};

/// What the window's logic asks of a window. A view implements every call on its UI thread and
/// calls the core (core::Form1) only from that thread.
class View {
  public:
    virtual ~View() = default;

    /// The box's whole text as shown, including what the user typed.
    virtual Text text(Box box) const = 0;

    /// Replaces the box's whole text, as text() returns it from now on; the box may show it a
    /// little later, while the blocking call that follows runs, or as the handler ends. A typing
    /// limit never cuts a text set here: the view keeps the whole text even when it is longer than
    /// the box's limit.
    virtual void setText(Box box, const Text &text) = 0;

    /// Has the box show its current text while the blocking call that follows runs: drawn at
    /// once, or by the call's wait, but without taking any other event here.
    virtual void repaint(Box box) = 0;

    /// Sets the box's text colour: a 24-bit RGB value with red in the low byte (255 is red, 0 is
    /// black).
    virtual void setForeColor(Box box, std::uint32_t colour) = 0;

    /// Limits what the user can type into the box from now on to @p characters. The text already
    /// in the box stays whole, also when it is longer.
    virtual void setMaxLength(Box box, int characters) = 0;

    /// Whether the option button is selected (true for the selected button of its group).
    virtual bool isSelected(Option option) const = 0;

    /// Selects the option button, which clears the other one of its group; runs no handler.
    virtual void select(Option option) = 0;

    /// Shows a window-modal error message that does not block the caller: the call returns at
    /// once, and the window takes no input but the message's own until the operator closes it.
    virtual void showError(const Message &message) = 0;

    /// Shows a notice that leaves the window usable (not modal), replacing the text of an earlier
    /// notice that is still shown rather than opening a second one.
    virtual void showNotice(const Message &message) = 0;

    /// Offers the operator a choice of one of @p items (one line each), under @p message, in a
    /// window-modal dialog with a button @p confirm and a button to decline. Like showError, the
    /// call returns at once. When the operator confirms an item, the view closes the dialog and
    /// calls @p chosen with its index (from 0), on the UI thread; when the operator declines or
    /// closes the dialog, nothing is called.
    virtual void offerChoice(const Message &message, const std::vector<Text> &items,
                             const Text &confirm, std::function<void(std::size_t)> chosen) = 0;

    /// Runs @p call, a blocking call into the link library, to its end and returns its result;
    /// an exception that @p call throws comes out of this call. Meanwhile the window keeps
    /// repainting and takes close requests, but drops every mouse, key, wheel and touch event
    /// (dropped, not deferred: a click made during an exchange must not start another handler
    /// after it). A view may run @p call on a worker thread while its UI thread waits; @p call
    /// touches no part of the window.
    virtual std::int32_t runBlocking(const std::function<std::int32_t()> &call) = 0;

    /// Called as each handler starts, before its first step; a view may ignore it.
    virtual void handlerStarted(Handler /*handler*/) {}

    /// Closes the window. The core calls it when a close that the view asked for with
    /// core::Form1::mayClose() while a handler ran can now be done.
    virtual void closeWindow() = 0;
};

}  // namespace core
