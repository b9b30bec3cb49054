// SPDX-License-Identifier: MIT
// The fiscal memory frame: its handlers, and the reading saved to LeitM.txt (ReplyData,
// SaveReading).
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "form1.h"
#include "handler_error.h"
#include "range_text.h"
#include "reading_file.h"
#include "text.h"

namespace zarvo::window {
namespace {

constexpr int kReductionLimit = 4;
constexpr int kDateLimit = 10;
constexpr std::int32_t kPrintedTimeout_s = 1000;
constexpr std::int32_t kOverTheLineTimeout_s = 100;

// The printer's reply marks at position 2.
constexpr char16_t kEndMark = u']';
constexpr char16_t kRefusalMark = u'-';

char16_t markOf(const Text &reply) {
    return reply.size() >= 2 ? reply[1] : u'\0';
}

// Rewrites the box's text with @p format, or leaves it exactly as typed when it is not of the
// format's kind.
void rewrite(View &view, Box box, std::optional<std::string> (*format)(std::string_view)) {
    if (const auto text = format(toUtf8(view.text(box)))) {
        view.setText(box, fromUtf8(*text));
    }
}

Text progressText(bool byReduction, bool toPrinter) {
    if (byReduction) {
        return toPrinter ? u"Leitura por Redução..." : u"Leitura por Redução em Arquivo ...";
    }
    return toPrinter ? u"Leitura por Data..." : u"Leitura por Data em Arquivo ...";
}

}  // namespace

void Form1::Porredu_Click() {
    view_.setText(Box::Ini, u"0001");
    view_.setText(Box::Fim, u"1000");
}

void Form1::Pordata_Click() {
    view_.setMaxLength(Box::Ini, kDateLimit);
    view_.setMaxLength(Box::Fim, kDateLimit);
    view_.setText(Box::Ini, u"01/01/00");
    view_.setText(Box::Fim, u"30/12/10");
}

void Form1::Ini_GotFocus() {
    if (view_.isSelected(Option::Porredu)) {
        view_.setMaxLength(Box::Ini, kReductionLimit);
    }
}

void Form1::Ini_Validate() {
    rewrite(view_, Box::Ini,
            view_.isSelected(Option::Pordata) ? range_text::asDate : range_text::asNumber);
}

void Form1::Fim_GotFocus() {
    if (view_.isSelected(Option::Porredu)) {
        view_.setMaxLength(Box::Fim, kReductionLimit);
    }
}

void Form1::Fim_Validate() {
    rewrite(view_, Box::Fim,
            view_.isSelected(Option::Pordata) ? range_text::asDate : range_text::asNumber);
}

void Form1::LMF_Click() {
    const bool byReduction = view_.isSelected(Option::Porredu);
    const bool toPrinter = view_.isSelected(Option::NaImp);
    view_.setText(Box::Text3, progressText(byReduction, toPrinter));
    view_.repaint(Box::Text3);

    // The printer takes dates as ddmmyy; the boxes show that form while the reading runs.
    if (!byReduction) {
        rewrite(view_, Box::Ini, range_text::asSixDigitDate);
        rewrite(view_, Box::Fim, range_text::asSixDigitDate);
    }
    // A character with no 8-bit form goes on the line as "?": the box shows it so before the
    // command is sent, so what the operator sees is what the printer gets.
    for (Box box : {Box::Ini, Box::Fim}) {
        const Text sendable = fromLatin1(latin1Bytes(view_.text(box)));
        if (sendable != view_.text(box)) {
            view_.setText(box, sendable);
        }
    }
    const std::int32_t port = printerPortNumber();
    LinkStatus = module1_.Abre(port);

    Text command = (byReduction ? u".15" : u".16") + view_.text(Box::Ini) + view_.text(Box::Fim);
    if (!toPrinter) {
        command += u'#';
    }
    LinkStatus = VV(port, toPrinter ? kPrintedTimeout_s : kOverTheLineTimeout_s, command);

    if (toPrinter) {
        LinkStatus = module1_.Fecha(port);
    }
    if (!byReduction) {
        rewrite(view_, Box::Ini, range_text::sixDigitDateAsDate);
        rewrite(view_, Box::Fim, range_text::sixDigitDateAsDate);
    }
    Resultado();
    if (!toPrinter) {
        // Only a command that reached the port can bring a reading back.
        if (LinkStatus >= 0) {
            SaveReading();
        }
        LinkStatus = module1_.Fecha(port);
    }
}

Text Form1::ReplyData() {
    const Text data = field(LastReply, 7);
    const std::size_t end = data.find(u'}');
    return end == Text::npos ? data : data.substr(0, end);
}

void Form1::SaveReading() {
    // A refused reading command, or none answered in time, brings no block: an earlier LeitM.txt
    // is left as it was rather than replaced by an error.
    if (markOf(LastReply) == kRefusalMark) {
        return;
    }
    ReadingFile file;
    Text line = ReplyData();
    bool complete = false;
    try {
        for (;;) {
            file.writeLine(line);
            if (markOf(LastReply) == kEndMark) {
                complete = true;
                break;
            }
            LinkStatus = VV(printerPortNumber(), kOverTheLineTimeout_s, u".++");
            Resultado();
            if (markOf(LastReply) == kEndMark) {
                complete = true;
                break;
            }
            // A refusal, or the library's own reply when the printer stopped answering or the
            // line failed, ends the reading; asking again would only wait again. The blocks
            // received so far are kept, and the answer box keeps the error.
            if (markOf(LastReply) == kRefusalMark) {
                break;
            }
            line = ReplyData();
        }
    } catch (const HandlerError &) {
        // The reply file failed under the reading: keep the blocks received, as for a refusal.
        // The error that stopped the reading is the one the operator needs to see.
        try {
            file.commit();
        } catch (const HandlerError &) {
        }
        throw;
    }
    file.commit();
    if (complete) {
        view_.setText(Box::Text3, u"Arquivo LeitM.txt gravado");
    }
}

}  // namespace zarvo::window
