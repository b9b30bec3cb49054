// SPDX-License-Identifier: MIT
// The one interface through which the window's logic sees a window, whatever toolkit draws it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "form_table.h"

namespace zarvo::window {

/// The window's texts: 16-bit characters (UTF-16).
using Text = std::u16string;

/// The events the window handles.
enum class Event : std::uint8_t { Click, GotFocus, Validate };

/// A handler: a control's event. Its name is the control's name, an underscore and the event's
/// name ("Command1_Click"); Form1::kHandlers lists every handler the window has.
struct Handler {
    Control control;
    Event event;
    friend constexpr bool operator==(Handler, Handler) = default;
};

/// The handler's name ("Command1_Click").
std::string nameOf(Handler handler);

/// A message for the operator: one sentence naming the problem, then the thing concerned (file,
/// directory, library, port) and the system's reason, one item a line.
struct Message {
    Text summary;
    Text detail;
};

/// What the window's logic asks of a window. A view implements every call on its UI thread and
/// calls the core (Form1) only from that thread.
///
/// What every view does alike, beyond these calls:
/// - It builds the form from kForm: each control's kind, container, text, place (twips, 15 to a
///   pixel at 96 dots per inch and as many more as the display has dots beyond that: pixels()),
///   tab order and facts, in a font of kFontPoints; the window opens with the focus on Command1.
/// - It raises exactly the events of Form1::kHandlers, through Form1::handle.
/// - Validate: as the focus moves from the box to another control of this window, before that
///   control takes the focus or its Click; never when another window (a message box, another
///   program) takes the focus.
/// - A click on a label that names an option button gives that button the focus and selects it,
///   as a click on the button itself would: the option button is only as large as its circle.
/// - A control with kShrinksToFit shows a caption, or a text set by setText, wider than its
///   textRoomTwips in a smaller font rather than cut, never smaller than kSmallestFontPoints.
/// - Enter presses the focused button, as the space bar does; on any other control it does
///   nothing.
/// - runBlocking runs every call on one worker thread, kept for the program's life.
/// - The busy spell: from a handler's first blocking call until Form1::handle returns (the
///   handler and those queued behind it), the cursor shows busy and every mouse, key, wheel and
///   touch event is dropped, as runBlocking describes. It lasts through the handler's steps
///   between its calls rather than coming and going around each call: a fiscal memory reading
///   makes one for each block. A view holds a BusySpell around each Form1::handle.
class View {
  public:
    virtual ~View() = default;

    /// The box's whole text as shown, including what the user typed.
    virtual Text text(Box box) const = 0;

    /// Replaces the box's whole text. A typing limit never cuts a text set here: the view keeps
    /// the whole text even when it is longer than the box's limit.
    virtual void setText(Box box, const Text &text) = 0;

    /// Paints the box now, with its current text, without taking any other event.
    virtual void repaint(Box box) = 0;

    /// Sets the box's text color: a 24-bit RGB value with red in the low byte (255 is red, 0 is
    /// black).
    virtual void setForeColor(Box box, std::uint32_t color) = 0;

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
    /// after it). @p call runs on the view's one worker thread while the UI thread waits; it
    /// touches no part of the window.
    virtual std::int32_t runBlocking(const std::function<std::int32_t()> &call) = 0;

    /// Called as each handler starts, before its first step; a view may ignore it.
    virtual void handlerStarted(Handler /*handler*/) {}

    /// Closes the window. The core calls it when a close that the view asked for with
    /// Form1::mayClose() while a handler ran can now be done.
    virtual void closeWindow() = 0;
};

/// While one lives on the UI thread, the blocking calls made meanwhile share one busy spell: the
/// busy cursor and the dropping of input begin at the first call and end with the last scope.
/// Scopes nest. Each view defines it, beside its runBlocking.
class BusySpell {
  public:
    BusySpell();
    ~BusySpell();
    BusySpell(const BusySpell &) = delete;
    BusySpell &operator=(const BusySpell &) = delete;
};

}  // namespace zarvo::window
