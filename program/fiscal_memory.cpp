// SPDX-License-Identifier: MIT
// The fiscal memory frame: its handlers, and the reading saved to LeitM.txt (ReplyData,
// SaveReading).
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "form1.h"
#include "handler_error.h"
#include "module1.h"
#include "range_text.h"
#include "reading_file.h"
#include "ui_form1.h"

// Each body runs inside runHandler, which stops it cleanly on a platform error.

namespace {

constexpr int kReductionLimit = 4;
constexpr int kDateLimit = 10;
constexpr std::int32_t kPrintedTimeout_s = 1000;
constexpr std::int32_t kOverTheLineTimeout_s = 100;

// The printer's reply marks at position 2.
constexpr QChar kEndMark = u']';
constexpr QChar kRefusalMark = u'-';

QChar markOf(const QString &reply) {
    return reply.size() >= 2 ? reply.at(1) : QChar();
}

void setTypingLimit(QLineEdit *box, int limit) {
    box->setMaxLength(std::max(limit, static_cast<int>(box->text().size())));
}

// Rewrites the box's text with @p format, or leaves it exactly as typed when it is not of the
// format's kind.
void rewrite(QLineEdit *box, std::optional<std::string> (*format)(std::string_view)) {
    const QByteArray typed = box->text().toUtf8();
    if (const auto text = format(std::string_view(typed.constData(), std::size_t(typed.size())))) {
        setBoxText(box, QString::fromStdString(*text));
    }
}

QString progressText(bool byReduction, bool toPrinter) {
    if (byReduction) {
        return toPrinter ? QStringLiteral("Leitura por Redução...")
                         : QStringLiteral("Leitura por Redução em Arquivo ...");
    }
    return toPrinter ? QStringLiteral("Leitura por Data...")
                     : QStringLiteral("Leitura por Data em Arquivo ...");
}

}  // namespace

void Form1::Porredu_Click() {
    runHandler("Porredu_Click", [this] {
        setBoxText(ui->Ini, QStringLiteral("0001"));
        setBoxText(ui->Fim, QStringLiteral("1000"));
    });
}

void Form1::Pordata_Click() {
    runHandler("Pordata_Click", [this] {
        ui->Ini->setMaxLength(kDateLimit);
        ui->Fim->setMaxLength(kDateLimit);
        setBoxText(ui->Ini, QStringLiteral("01/01/00"));
        setBoxText(ui->Fim, QStringLiteral("30/12/10"));
    });
}

void Form1::Ini_GotFocus() {
    runHandler("Ini_GotFocus", [this] {
        if (ui->Porredu->isChecked()) {
            setTypingLimit(ui->Ini, kReductionLimit);
        }
    });
}

void Form1::Ini_Validate() {
    runHandler("Ini_Validate", [this] {
        rewrite(ui->Ini, ui->Pordata->isChecked() ? RangeText::asDate : RangeText::asNumber);
    });
}

void Form1::Fim_GotFocus() {
    runHandler("Fim_GotFocus", [this] {
        if (ui->Porredu->isChecked()) {
            setTypingLimit(ui->Fim, kReductionLimit);
        }
    });
}

void Form1::Fim_Validate() {
    runHandler("Fim_Validate", [this] {
        rewrite(ui->Fim, ui->Pordata->isChecked() ? RangeText::asDate : RangeText::asNumber);
    });
}

void Form1::LMF_Click() {
    runHandler("LMF_Click", [this] {
        const bool byReduction = ui->Porredu->isChecked();
        const bool toPrinter = ui->NaImp->isChecked();
        ui->Text3->setText(progressText(byReduction, toPrinter));
        ui->Text3->repaint();

        // The printer takes dates as ddmmyy; the boxes show that form while the reading runs.
        if (!byReduction) {
            rewrite(ui->Ini, RangeText::asSixDigitDate);
            rewrite(ui->Fim, RangeText::asSixDigitDate);
        }
        // A character with no 8-bit form goes on the line as "?": the box shows it so before
        // the command is sent, so what the operator sees is what the printer gets.
        for (QLineEdit *box : {ui->Ini, ui->Fim}) {
            const QString sendable = QString::fromLatin1(Module1::eightBit(box->text()));
            if (sendable != box->text()) {
                setBoxText(box, sendable);
            }
        }
        const std::int32_t port = printerPortNumber();
        LinkStatus = Module1::Abre(port);

        QString command = (byReduction ? QStringLiteral(".15") : QStringLiteral(".16")) +
                          ui->Ini->text() + ui->Fim->text();
        if (!toPrinter) {
            command += QLatin1Char('#');
        }
        LinkStatus = VV(port, toPrinter ? kPrintedTimeout_s : kOverTheLineTimeout_s, command);

        if (toPrinter) {
            LinkStatus = Module1::Fecha(port);
        }
        if (!byReduction) {
            rewrite(ui->Ini, RangeText::sixDigitDateAsDate);
            rewrite(ui->Fim, RangeText::sixDigitDateAsDate);
        }
        Resultado();
        if (!toPrinter) {
            // Only a command that reached the port can bring a reading back.
            if (LinkStatus >= 0) {
                SaveReading();
            }
            LinkStatus = Module1::Fecha(port);
        }
    });
}

QString Form1::ReplyData() {
    const QString data = LastReply.mid(6);
    const qsizetype end = data.indexOf(QLatin1Char('}'));
    return end < 0 ? data : data.left(end);
}

void Form1::SaveReading() {
    // A refused reading command, or none answered in time, brings no block: an earlier LeitM.txt
    // is left as it was rather than replaced by an error.
    if (markOf(LastReply) == kRefusalMark) {
        return;
    }
    ReadingFile file;
    QString line = ReplyData();
    bool complete = false;
    try {
        for (;;) {
            file.writeLine(line);
            if (markOf(LastReply) == kEndMark) {
                complete = true;
                break;
            }
            LinkStatus = VV(printerPortNumber(), kOverTheLineTimeout_s, QStringLiteral(".++"));
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
        ui->Text3->setText(QStringLiteral("Arquivo LeitM.txt gravado"));
    }
}
