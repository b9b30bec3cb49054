// SPDX-License-Identifier: MIT
// Fuzz target: the window reading arbitrary RespApf.txt contents, through the exchange routines,
// the printer test and ReplyData, with the link library double writing the input as every reply.
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "core/handler_error.h"
#include "core/module1.h"
#include "fake_library.h"
#include "form1_probe.h"
#include "fuzz_check.h"
#include "qt/form1.h"
#include "scratch_directory.h"

namespace {

// More exchanges than one printer test makes, so every one of them reads the input.
constexpr int kExchangesPerTest = 8;

FakeLibrary *g_fake = nullptr;
Form1 *g_form = nullptr;

QLineEdit *box(const char *name) {
    QLineEdit *found = g_form->findChild<QLineEdit *>(QLatin1String(name));
    CHECK(found != nullptr);
    return found;
}

// A 1-based reply field, shorter or empty where the reply ends.
QString field(const QString &reply, qsizetype position, qsizetype length) {
    return reply.mid(position - 1, length);
}

bool isPaperShown(const QString &reply) {
    const bool out = field(reply, 6, 1) == QLatin1String("5");
    QLineEdit *paper = box("PAPEL");
    const QColor colour = paper->palette().color(QPalette::Text);
    return paper->text() == (out ? QStringLiteral("Sem Papel") : QStringLiteral("Com Papel")) &&
           colour == (out ? QColor(255, 0, 0) : QColor(0, 0, 0));
}

// Retorno, VV, Resultado and PaperEnd one by one; nothing may escape but the error of a reply
// file without a line, which leaves the state as it was.
void checkRoutines(const QByteArray &file, const QString &line) {
    Form1Probe probe(*g_form);
    const bool noLine = file.isEmpty();

    {
        QFile reply(QStringLiteral("RespApf.txt"));
        CHECK(reply.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
              reply.write(file) == file.size());
    }
    try {
        CHECK(probe.Retorno() == line && !noLine);
    } catch (const core::HandlerError &) {
        CHECK(noLine);
    }
    const QString lastBefore = probe.LastReply(), signBefore = probe.ReplySign();
    g_fake->pushFile(file.toStdString());
    try {
        CHECK(probe.VV(1, 10, QStringLiteral(".28")) == 0);
        CHECK(!noLine && probe.LastReply() == line);
    } catch (const core::HandlerError &) {
        CHECK(noLine && probe.LastReply() == lastBefore && probe.ReplySign() == signBefore);
        return;
    }
    CHECK(!line.contains(QLatin1Char('\r')));
    CHECK(probe.ReplySign() == line.mid(1, 1));

    probe.Resultado();
    const QString shown = box("Text3")->text();
    if (probe.ReplySign() == QLatin1String("+")) {
        CHECK(shown == line);
    } else {
        CHECK(shown.size() <= 7 && shown == QStringLiteral("ERRO ") + line.mid(20, 2));
    }

    g_fake->pushFile(file.toStdString());
    const std::int16_t paper = probe.PaperEnd();
    CHECK((paper == -1) == (field(line, 6, 1) == QLatin1String("5")) &&
          (paper == -1 || paper == 0));
    CHECK(isPaperShown(line) && probe.LastReply() == line && probe.ReplySign() == line.mid(1, 1));
}

// The printer test with every exchange answered by the input: the ports it opens are closed, the
// answer box is untouched, and each status box shows its field or keeps what it had.
void checkPrinterTest(const QByteArray &file, const QString &line) {
    Form1Probe probe(*g_form);
    const char *kept[] = {"Text1", "Text2", "Text3", "COO", "CCF", "Reducao", "LEITX", "PAPEL"};
    QStringList before;
    for (const char *name : kept) {
        box(name)->setText(QStringLiteral("antes"));
        before << box(name)->text();
    }
    const auto portBefore = probe.PrinterPort();

    g_fake->reset();
    for (int i = 0; i < kExchangesPerTest; ++i) {
        g_fake->pushFile(file.toStdString());
    }
    g_form->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QStringList calls;
    for (const std::string &call : g_fake->log()) {
        calls << QString::fromStdString(call);
    }
    g_fake->reset();

    CHECK(calls.count(QStringLiteral("Abre 1")) == calls.count(QStringLiteral("Fecha 1")));
    CHECK(calls.count(QStringLiteral("Abre 2")) == calls.count(QStringLiteral("Fecha 2")));
    CHECK(calls.last().startsWith(QLatin1String("Fecha")));
    CHECK(box("Text3")->text() == before[2]);
    const bool errorShown = !g_form->findChildren<QMessageBox *>().isEmpty();
    qDeleteAll(g_form->findChildren<QMessageBox *>());

    if (file.isEmpty()) {
        CHECK(errorShown && calls.size() == 3 && box("Text2")->text() == before[1]);
        return;
    }
    CHECK(!errorShown);
    if (line.mid(1, 1) != QLatin1String("+")) {
        CHECK(calls.size() == 6 &&
              box("Text2")->text() == QStringLiteral("Impressora não Conectada"));
        CHECK(probe.ReplySign() == QLatin1String("-") && probe.PrinterPort() == portBefore);
        for (int i = 0; i < 8; ++i) {
            CHECK(i == 1 || box(kept[i])->text() == before[i]);
        }
        return;
    }

    CHECK(calls == QStringList({"Abre 1", "TXRX 1 3 .28", "TXRX 1 10 .5609", "TXRX 1 10 .5618",
                                "TXRX 1 10 .28", "TXRX 1 10 .23", "Fecha 1"}));
    CHECK(probe.PrinterPort() == 1 && box("Text1")->text() == QStringLiteral("com 1"));
    CHECK(probe.SummerTimeFlag() == field(line, 54, 1));
    const QString clock = field(line, 44, 2) + '/' + field(line, 46, 2) + '/' + field(line, 48, 2) +
                          ' ' + field(line, 50, 2) + ':' + field(line, 52, 2);
    CHECK(box("Text2")->text() == (probe.SummerTimeFlag() == QLatin1String("S")
                                       ? QStringLiteral("Horario de Verao ")
                                       : QStringLiteral("Horario Normal ")) +
                                      clock);
    CHECK(box("COO")->text() == field(line, 5, 6) && box("CCF")->text() == field(line, 5, 6));
    const QString reduction = field(line, 18, 1), firstX = field(line, 124, 1);
    CHECK(box("Reducao")->text() == (reduction == "S"   ? QStringLiteral("Efetuada")
                                     : reduction == "N" ? QStringLiteral("Não Efetuada")
                                     : reduction == "F" ? QStringLiteral("Obrigatória")
                                                        : before[5]));
    CHECK(box("LEITX")->text() == (firstX == "S"   ? QStringLiteral("Efetuada")
                                   : firstX == "N" ? QStringLiteral("Não Efetuada")
                                                   : before[6]));
    CHECK(isPaperShown(line) && probe.LastReply() == line);
}

// ReplyData cuts the text from position 7 up to, and without, the first "}" that follows.
void checkReplyData(const QString &line) {
    Form1Probe probe(*g_form);
    probe.setLastReply(line);
    const QString data = probe.ReplyData();
    const QString tail = line.mid(6);
    CHECK(!data.contains(QLatin1Char('}')) && (data.isEmpty() || tail.startsWith(data)));
    CHECK(data.size() == tail.size() || tail.at(data.size()) == QLatin1Char('}'));
}

// RespApf.txt and LeitM.txt go here. The window and the application stay to the end of the
// process: Qt cannot take them down from an exit handler; the directory goes at exit.
std::unique_ptr<support::ScratchDirectory> g_scratch;

}  // namespace

// Fontconfig, under Qt's text layout, loses memory when it looks up fonts; not the window's. Seen
// by the sanitizer runtime only when exported, which the hidden default visibility would prevent.
extern "C" __attribute__((visibility("default"))) const char *__lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int qtArgc = 1;
    static char *qtArgv[] = {(*argv)[0], nullptr};
    (void)argc;
    new QApplication(qtArgc, qtArgv);  // lives as long as the process
    g_scratch = std::make_unique<support::ScratchDirectory>(support::ScratchDirectory::Enter::later,
                                                            "zarvo-fuzz");
    core::Module1::setLibraryFile(FAKE_ZARVO_PATH);
    g_fake = new FakeLibrary();
    g_form = new Form1();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const support::ScratchDirectory::Inside scratch(*g_scratch);
    const QByteArray file(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype cr = file.indexOf('\r');
    const QString line = QString::fromLatin1(cr < 0 ? file : file.left(cr));
    checkRoutines(file, line);
    checkPrinterTest(file, line);
    checkReplyData(line);
    return 0;
}
