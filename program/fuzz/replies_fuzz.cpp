// SPDX-License-Identifier: MIT
// Fuzz target: the window's logic reading arbitrary RespApf.txt contents, through the exchange
// routines, the printer test and ReplyData, on a recording view, with the link library double
// writing the input as every reply.
#include <cstdint>
#include <string>

#include "core/form1.h"
#include "core/handler_error.h"
#include "core/module1.h"
#include "core/text.h"
#include "fake_library.h"
#include "fake_view.h"
#include "fuzz_check.h"
#include "scratch_directory.h"

namespace {

using window::Box;
using window::Text;

// More exchanges than one printer test makes, so every one of them reads the input.
constexpr int kExchangesPerTest = 8;

FakeLibrary *g_fake = nullptr;
FakeView *g_view = nullptr;
window::Form1 *g_form = nullptr;

// A 1-based reply field, shorter or empty where the reply ends.
Text mid(const Text &reply, std::size_t position, std::size_t length) {
    return position - 1 < reply.size() ? reply.substr(position - 1, length) : Text();
}

bool isPaperShown(const Text &reply) {
    const bool out = mid(reply, 6, 1) == u"5";
    return g_view->text(Box::PAPEL) == (out ? u"Sem Papel" : u"Com Papel") &&
           g_view->colors[Box::PAPEL] == (out ? 255U : 0U);
}

// Retorno, VV, Resultado and PaperEnd one by one; nothing may escape but the error of a reply
// file without a line, which leaves the state as it was.
void checkRoutines(const std::string &file, const Text &line) {
    const bool noLine = file.empty();
    zarvo::testing::write_file("RespApf.txt", file);
    try {
        CHECK(g_form->Retorno() == line && !noLine);
    } catch (const window::HandlerError &) {
        CHECK(noLine);
    }
    const Text lastBefore = g_form->LastReply, signBefore = g_form->ReplySign;
    g_fake->pushFile(file);
    try {
        CHECK(g_form->VV(1, 10, u".28") == 0);
        CHECK(!noLine && g_form->LastReply == line);
    } catch (const window::HandlerError &) {
        CHECK(noLine && g_form->LastReply == lastBefore && g_form->ReplySign == signBefore);
        return;
    }
    CHECK(line.find(u'\r') == Text::npos);
    CHECK(g_form->ReplySign == mid(line, 2, 1));

    g_form->Resultado();
    const Text shown = g_view->text(Box::Text3);
    if (g_form->ReplySign == u"+") {
        CHECK(shown == line);
    } else {
        CHECK(shown.size() <= 7 && shown == u"ERRO " + mid(line, 21, 2));
    }

    g_fake->pushFile(file);
    const std::int16_t paper = g_form->PaperEnd();
    CHECK((paper == -1) == (mid(line, 6, 1) == u"5") && (paper == -1 || paper == 0));
    CHECK(isPaperShown(line) && g_form->LastReply == line && g_form->ReplySign == mid(line, 2, 1));
}

int count(const std::vector<std::string> &calls, const std::string &call) {
    int n = 0;
    for (const std::string &c : calls) {
        n += c == call;
    }
    return n;
}

// The printer test with every exchange answered by the input: the ports it opens are closed, the
// answer box is untouched, and each status box shows its field or keeps what it had.
void checkPrinterTest(const std::string &file, const Text &line) {
    const Box kept[] = {Box::Text1, Box::Text2,   Box::Text3, Box::COO,
                        Box::CCF,   Box::Reducao, Box::LEITX, Box::PAPEL};
    for (Box box : kept) {
        g_view->setText(box, u"antes");
    }
    const auto portBefore = g_form->PrinterPort;

    g_fake->reset();
    for (int i = 0; i < kExchangesPerTest; ++i) {
        g_fake->pushFile(file);
    }
    g_view->errors.clear();
    g_form->handle(window::Handler{window::Control::Command1, window::Event::Click});
    const std::vector<std::string> calls = g_fake->log();
    g_fake->reset();

    CHECK(count(calls, "Abre 1") == count(calls, "Fecha 1"));
    CHECK(count(calls, "Abre 2") == count(calls, "Fecha 2"));
    CHECK(!calls.empty() && calls.back().rfind("Fecha", 0) == 0);
    CHECK(g_view->text(Box::Text3) == u"antes");
    const bool errorShown = !g_view->errors.empty();

    if (file.empty()) {
        CHECK(errorShown && calls.size() == 3 && g_view->text(Box::Text2) == u"antes");
        return;
    }
    CHECK(!errorShown);
    if (mid(line, 2, 1) != u"+") {
        CHECK(calls.size() == 6 && g_view->text(Box::Text2) == u"Impressora não Conectada");
        CHECK(g_form->ReplySign == u"-" && g_form->PrinterPort == portBefore);
        for (Box box : kept) {
            CHECK(box == Box::Text2 || g_view->text(box) == u"antes");
        }
        return;
    }

    CHECK(calls ==
          (std::vector<std::string>{"Abre 1", "TXRX 1 3 .28", "TXRX 1 10 .5609", "TXRX 1 10 .5618",
                                    "TXRX 1 10 .28", "TXRX 1 10 .23", "Fecha 1"}));
    CHECK(g_form->PrinterPort == 1 && g_view->text(Box::Text1) == u"com 1");
    CHECK(g_form->SummerTimeFlag == mid(line, 54, 1));
    const Text clock = mid(line, 44, 2) + u'/' + mid(line, 46, 2) + u'/' + mid(line, 48, 2) + u' ' +
                       mid(line, 50, 2) + u':' + mid(line, 52, 2);
    CHECK(g_view->text(Box::Text2) ==
          (g_form->SummerTimeFlag == u"S" ? u"Horario de Verao " : u"Horario Normal ") + clock);
    CHECK(g_view->text(Box::COO) == mid(line, 5, 6) && g_view->text(Box::CCF) == mid(line, 5, 6));
    const Text reduction = mid(line, 18, 1), firstX = mid(line, 124, 1);
    CHECK(g_view->text(Box::Reducao) == (reduction == u"S"   ? u"Efetuada"
                                         : reduction == u"N" ? u"Não Efetuada"
                                         : reduction == u"F" ? u"Obrigatória"
                                                             : u"antes"));
    CHECK(g_view->text(Box::LEITX) == (firstX == u"S"   ? u"Efetuada"
                                       : firstX == u"N" ? u"Não Efetuada"
                                                        : u"antes"));
    CHECK(isPaperShown(line) && g_form->LastReply == line);
}

// ReplyData cuts the text from position 7 up to, and without, the first "}" that follows.
void checkReplyData(const Text &line) {
    g_form->LastReply = line;
    const Text data = g_form->ReplyData();
    const Text tail = mid(line, 7, Text::npos);
    CHECK(data.find(u'}') == Text::npos && tail.compare(0, data.size(), data) == 0);
    CHECK(data.size() == tail.size() || tail[data.size()] == u'}');
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    window::Module1::setLibraryFile(FAKE_ZARVO_PATH);
    g_fake = new FakeLibrary();
    g_view = new FakeView();
    g_form = new window::Form1(*g_view);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // RespApf.txt and LeitM.txt go there, not into the directory the run started in.
    const zarvo::testing::ScratchDirectory scratch("zarvo-fuzz");
    const std::string file(reinterpret_cast<const char *>(data), size);
    const Text line = window::fromLatin1(file.substr(0, file.find('\r')));
    checkRoutines(file, line);
    checkPrinterTest(file, line);
    checkReplyData(line);
    // The record would grow with every input.
    g_view->events.clear();
    g_view->started.clear();
    g_view->notices.clear();
    return 0;
}
