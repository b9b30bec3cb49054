// SPDX-License-Identifier: MIT
// The printer test's port search and boxes, and the summer-time and X-reading buttons, against the
// library double.
#include "Zarvo.h"
#include "core_test.h"

namespace {

const std::string kTimeoutReply = ".-0001ERRO:         99}";
const std::string kPaper = ".+0000}";

// A reply to ".28" of 125 characters: reduction at 18, clock ddmmyyhhmm at 44, summer time at 54,
// first X reading at 124.
std::string status(const std::string &clock, char summer, char reduction, char firstX) {
    std::string reply(125, '0');
    reply[0] = '.';
    reply[1] = '+';
    reply[17] = reduction;
    reply.replace(43, 10, clock);
    reply[53] = summer;
    reply[123] = firstX;
    reply[124] = '}';
    return reply;
}

std::string status2(char reduction, char firstX) {
    return status("0000000000", '0', reduction, firstX);
}

const std::string kStatus = status("0103251430", 'N', 'S', 'N');
const std::string kClock = "Horario Normal 01/03/25 14:30";
const std::string kCoo = ".+09004711}";
const std::string kCcf = ".+18000815}";

struct FieldsCase {
    const char *name;
    std::vector<std::string> replies;  // to ".28" (probe), ".5609", ".5618", ".28" and ".23"
    std::string earlier;               // what Reducao and LEITX showed before
    std::vector<std::string> shown;    // Text2, SummerTimeFlag, COO, CCF, Reducao, LEITX, PAPEL
};

class PrinterTestFields : public CoreTest, public ::testing::WithParamInterface<FieldsCase> {};

TEST_P(PrinterTestFields, FillTheirBoxes) {
    const FieldsCase &c = GetParam();
    view.texts[window::Box::Reducao] = view.texts[window::Box::LEITX] = u16(c.earlier);
    for (const std::string &reply : c.replies) {
        fake.pushReply(reply);
    }
    form.handle(window::Handler{window::Control::Command1, window::Event::Click});

    std::vector<std::string> shown{view.utf8(window::Box::Text2),
                                   window::toUtf8(form.SummerTimeFlag)};
    for (window::Box box : {window::Box::COO, window::Box::CCF, window::Box::Reducao,
                            window::Box::LEITX, window::Box::PAPEL}) {
        shown.push_back(view.utf8(box));
    }
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(view.utf8(window::Box::Text1), "com 1");
    EXPECT_EQ(form.ReplySign, window::fromLatin1(c.replies.at(3).substr(1, 1)));
    EXPECT_EQ(fake.log(), (Log{"Abre 1", "TXRX 1 3 .28", "TXRX 1 10 .5609", "TXRX 1 10 .5618",
                               "TXRX 1 10 .28", "TXRX 1 10 .23", "Fecha 1"}));
    EXPECT_TRUE(view.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PrinterTestFields,
    ::testing::Values(
        FieldsCase{"normal_time_reduction_mandatory_first_x_not_done",
                   {kStatus, kCoo, kCcf, status2('F', 'N'), kPaper},
                   "Efetuada",
                   {kClock, "N", "004711", "000815", "Obrigatória", "Não Efetuada", "Com Papel"}},
        FieldsCase{"summer_time_reduction_and_first_x_done_no_paper",
                   {status("3112992359", 'S', 'N', 'N'), kCoo, kCcf, status2('S', 'S'), ".+0005}"},
                   "Não Efetuada",
                   {"Horario de Verao 31/12/99 23:59", "S", "004711", "000815", "Efetuada",
                    "Efetuada", "Sem Papel"}},
        FieldsCase{"lower_case_s_is_normal_time_reduction_not_done",
                   {status("0103251430", 's', 'N', 'N'), kCoo, kCcf, status2('N', 'N'), kPaper},
                   "Efetuada",
                   {kClock, "s", "004711", "000815", "Não Efetuada", "Não Efetuada", "Com Papel"}},
        FieldsCase{"probe_of_43_characters_only_the_separators",
                   {kStatus.substr(0, 43), kCoo, kCcf, kStatus, kPaper},
                   "Efetuada",
                   {"Horario Normal // :", "", "004711", "000815", "Efetuada", "Não Efetuada",
                    "Com Papel"}},
        FieldsCase{"probe_ending_inside_the_year",
                   {kStatus.substr(0, 48), kCoo, kCcf, kStatus, kPaper},
                   "Efetuada",
                   {"Horario Normal 01/03/2 :", "", "004711", "000815", "Efetuada", "Não Efetuada",
                    "Com Papel"}},
        FieldsCase{"unknown_state_characters_leave_both_boxes_alone",
                   {kStatus, kCoo, kCcf, status2('s', 'X'), kPaper},
                   "Efetuada",
                   {kClock, "N", "004711", "000815", "Efetuada", "Efetuada", "Com Papel"}},
        FieldsCase{"status_of_123_characters_leaves_leitx_alone",
                   {kStatus, kCoo, kCcf, status2('F', 'N').substr(0, 123), kPaper},
                   "Efetuada",
                   {kClock, "N", "004711", "000815", "Obrigatória", "Efetuada", "Com Papel"}},
        FieldsCase{"timeouts_fill_the_boxes_from_the_error_reply",
                   {kStatus, kTimeoutReply, ".+1812}", kTimeoutReply, kTimeoutReply},
                   "Efetuada",
                   {kClock, "N", "01ERRO", "12}", "Efetuada", "Efetuada", "Com Papel"}}),
    [](const auto &info) { return std::string(info.param.name); });

Log exchangesOn(int port) {
    const std::string p = std::to_string(port);
    return {"TXRX " + p + " 10 .5609", "TXRX " + p + " 10 .5618", "TXRX " + p + " 10 .28",
            "TXRX " + p + " 10 .23", "Fecha " + p};
}

Log operator+(Log first, const Log &second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

struct SearchCase {
    const char *name;
    int abre1, abre2;
    std::vector<std::string> replies;
    Log calls;
    int printerPort;
    std::string text1;  // empty: left alone, as every box but Text2
    std::string text2, lastReply, replySign;
    std::string notice;  // telling a port that did not open; empty: none
};

class PortSearch : public CoreTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(PortSearch, PortOneThenPortTwo) {
    const SearchCase &c = GetParam();
    const window::Box alone[] = {window::Box::Text1,   window::Box::COO,   window::Box::CCF,
                                 window::Box::Reducao, window::Box::LEITX, window::Box::PAPEL,
                                 window::Box::Text3};
    form.PrinterPort = 2;  // found by an earlier test
    form.LastReply = u"earlier";
    form.ReplySign = u"+";
    for (window::Box box : alone) {
        view.texts[box] = u"before";
    }
    fake.setAbreResult(1, c.abre1);
    fake.setAbreResult(2, c.abre2);
    for (const std::string &reply : c.replies) {
        fake.pushReply(reply);
    }
    form.handle(window::Handler{window::Control::Command1, window::Event::Click});

    EXPECT_EQ(fake.log(), c.calls);
    EXPECT_EQ(form.PrinterPort, std::optional<std::int32_t>(c.printerPort));
    EXPECT_EQ(view.utf8(window::Box::Text2), c.text2);
    EXPECT_EQ(window::toUtf8(form.LastReply), c.lastReply);
    EXPECT_EQ(window::toUtf8(form.ReplySign), c.replySign);
    EXPECT_EQ(notice(), c.notice);
    if (c.text1.empty()) {
        for (window::Box box : alone) {
            EXPECT_EQ(view.utf8(box), "before") << FakeView::name(box);
        }
    } else {  // the printer's boxes are filled as PrinterTestFields checks
        EXPECT_EQ(view.utf8(window::Box::Text1), c.text1);
        EXPECT_EQ(view.utf8(window::Box::Text3), "before");
    }
    EXPECT_TRUE(view.errors.empty());
}

const std::vector<std::string> kPrinter{kStatus, kCoo, kCcf, kStatus, kPaper};
const std::vector<std::string> kNoReplies;
const Log kNoPrinter{"Abre 1", "TXRX 1 3 .28", "Fecha 1", "Abre 2", "TXRX 2 3 .28", "Fecha 2"};
const Log kPort1Probed{"Abre 1", "TXRX 1 3 .28", "Fecha 1", "Abre 2", "TXRX 2 3 .28"};
const std::string kNoPrinterText = "Impressora não Conectada";

INSTANTIATE_TEST_SUITE_P(
    Ports, PortSearch,
    ::testing::Values(
        SearchCase{"on_port_1_port_2_never_tried", 0, 0, kPrinter,
                   Log{"Abre 1", "TXRX 1 3 .28"} + exchangesOn(1), 1, "com 1", kClock, kPaper, "+",
                   ""},
        SearchCase{"on_port_2_port_1_answers_nothing_and_is_closed", 0, 0,
                   std::vector<std::string>{kTimeoutReply, kStatus, kCoo, kCcf, kStatus, kPaper},
                   kPort1Probed + exchangesOn(2), 2, "com 2", kClock, kPaper, "+", ""},
        SearchCase{"on_port_2_port_1_refuses_and_is_closed", 0, 0,
                   std::vector<std::string>{".-0001ERRO:         01}", kStatus, kCoo, kCcf, kStatus,
                                            kPaper},
                   kPort1Probed + exchangesOn(2), 2, "com 2", kClock, kPaper, "+", ""},
        SearchCase{"on_port_2_port_1_does_not_open", -1, 0, kPrinter,
                   Log{"Abre 1", "Abre 2", "TXRX 2 3 .28"} + exchangesOn(2), 2, "com 2", kClock,
                   kPaper, "+", ""},
        SearchCase{"no_printer_earlier_port_kept_only_text2_changes", 0, 0, kNoReplies, kNoPrinter,
                   2, "", kNoPrinterText, kTimeoutReply, "-", ""},
        SearchCase{"no_printer_no_port_opens_last_reply_kept", -1, -1, kNoReplies,
                   Log{"Abre 1", "Abre 2"}, 2, "", kNoPrinterText, "earlier", "-", ""},
        // A busy port or one without permission is told; a missing device is the search's usual
        // answer and is not.
        SearchCase{"port_1_busy_no_device_on_port_2", ZARVO_PORT_BUSY, ZARVO_PORT_NO_DEVICE,
                   kNoReplies, Log{"Abre 1", "Abre 2"}, 2, "", kNoPrinterText, "earlier", "-",
                   "A porta 1 não pôde ser aberta: em uso por outro programa."},
        // A port the ports file gives to an unplugged adapter is told, unlike one with no device;
        // a damaged ports file is told for each port.
        SearchCase{"port_1_assigned_device_gone_no_device_on_port_2", ZARVO_PORT_ASSIGNED_GONE,
                   ZARVO_PORT_NO_DEVICE, kNoReplies, Log{"Abre 1", "Abre 2"}, 2, "", kNoPrinterText,
                   "earlier", "-",
                   "A porta 1 não pôde ser aberta: o dispositivo escolhido para ela não está "
                   "ligado."},
        SearchCase{"ports_file_damaged", ZARVO_PORT_BAD_PORTS_FILE, ZARVO_PORT_BAD_PORTS_FILE,
                   kNoReplies, Log{"Abre 1", "Abre 2"}, 2, "", kNoPrinterText, "earlier", "-",
                   "A porta 1 não pôde ser aberta: o arquivo de portas está danificado.\n"
                   "A porta 2 não pôde ser aberta: o arquivo de portas está danificado."},
        SearchCase{"port_1_without_permission_printer_on_port_2", ZARVO_PORT_NO_PERMISSION, 0,
                   kPrinter, Log{"Abre 1", "Abre 2", "TXRX 2 3 .28"} + exchangesOn(2), 2, "com 2",
                   kClock, kPaper, "+",
                   "A porta 1 não pôde ser aberta: sem permissão: o usuário precisa pertencer ao "
                   "grupo dialout."}),
    [](const auto &info) { return std::string(info.param.name); });

struct ButtonCase {
    const char *name;
    window::Handler handler;
    int printerPort;  // 0: no printer test yet
    int abreResult;
    std::string reply;  // empty: the double's timeout reply
    std::string progress, exchange, shown;
    std::string notice;  // telling a port that did not open; empty: none
};

class CommandButton : public CoreTest, public ::testing::WithParamInterface<ButtonCase> {};

// The progress text is shown and repainted before the exchange, the outcome after it; the port
// is opened and closed whatever Abre returned.
TEST_P(CommandButton, ProgressExchangeOutcome) {
    const ButtonCase &c = GetParam();
    if (c.printerPort != 0) {
        form.PrinterPort = c.printerPort;
    }
    fake.setAbreResult(c.printerPort, c.abreResult);
    if (!c.reply.empty()) {
        fake.pushReply(c.reply);
    }
    view.texts[window::Box::Text3] = u"before";
    std::string during;
    view.duringBlockingCall = [&] {
        if (view.blockingCalls == 2) {  // TXRX
            during = view.utf8(window::Box::Text3);
            EXPECT_EQ(view.events.back(), "repaint Text3");
        }
    };
    form.handle(c.handler);

    const std::string port = std::to_string(c.printerPort);
    EXPECT_EQ(fake.log(), (Log{"Abre " + port, c.exchange, "Fecha " + port}));
    EXPECT_EQ(during, c.progress);
    EXPECT_EQ(view.utf8(window::Box::Text3), c.shown);
    EXPECT_EQ(view.events.back(), "repaint Text3");
    EXPECT_EQ(notice(), c.notice);
    // Pressed again, the port is told again.
    form.handle(c.handler);
    EXPECT_EQ(view.notices.size(), c.notice.empty() ? 0U : 2U);
}

const std::string kEnter = "Entrar em Horário de Verão";
const std::string kLeave = "Sair do Horário de Verão";
const std::string kNotWritten = ".-0001ERRO:         98}";
using window::Handler;

INSTANTIATE_TEST_SUITE_P(
    Buttons, CommandButton,
    ::testing::Values(
        ButtonCase{"enter_summer_time_accepted",
                   Handler{window::Control::Command2, window::Event::Click}, 2, 0, kPaper, kEnter,
                   "TXRX 2 3 .36S", kPaper, ""},
        ButtonCase{"leave_summer_time_refused",
                   Handler{window::Control::Command3, window::Event::Click}, 1, 0,
                   ".-0001ERRO:         11}", kLeave, "TXRX 1 3 .36N", "ERRO 11", ""},
        ButtonCase{"x_reading_no_answer", Handler{window::Control::Command4, window::Event::Click},
                   2, 0, "", "Leitura X", "TXRX 2 180 .13", "ERRO 99", ""},
        ButtonCase{"x_reading_accepted", Handler{window::Control::Command4, window::Event::Click},
                   1, 0, kPaper, "Leitura X", "TXRX 1 180 .13", kPaper, ""},
        ButtonCase{"abre_fails_exchange_and_fecha_all_the_same",
                   Handler{window::Control::Command2, window::Event::Click}, 2, -1, kNotWritten,
                   kEnter, "TXRX 2 3 .36S", "ERRO 98", ""},
        ButtonCase{"before_any_printer_test_port_0",
                   Handler{window::Control::Command3, window::Event::Click}, 0, -1, kNotWritten,
                   kLeave, "TXRX 0 3 .36N", "ERRO 98", ""},
        ButtonCase{"port_busy_told", Handler{window::Control::Command2, window::Event::Click}, 1,
                   ZARVO_PORT_BUSY, kNotWritten, kEnter, "TXRX 1 3 .36S", "ERRO 98",
                   "A porta 1 não pôde ser aberta: em uso por outro programa."},
        ButtonCase{"device_gone_since_the_printer_test_told",
                   Handler{window::Control::Command4, window::Event::Click}, 2,
                   ZARVO_PORT_NO_DEVICE, kNotWritten, "Leitura X", "TXRX 2 180 .13", "ERRO 98",
                   "A porta 2 não pôde ser aberta: o dispositivo não existe."}),
    [](const auto &info) { return std::string(info.param.name); });

// Focus events raised while a handler waits run after it, in order; a close asked for meanwhile
// drops them and closes the window when the handler has ended.
TEST_F(CoreTest, HandlersRunOneAtATimeAndCloseWaits) {
    fake.pushReply(".+ok}");
    view.duringBlockingCall = [&] {
        if (view.blockingCalls == 2) {  // inside TXRX of Command4_Click
            form.handle(window::Handler{window::Control::Ini, window::Event::Validate});
            form.handle(window::Handler{window::Control::Fim, window::Event::GotFocus});
            EXPECT_EQ(view.started, Log{"Command4_Click"});
        }
    };
    form.handle(window::Handler{window::Control::Command4, window::Event::Click});
    EXPECT_EQ(view.started, (Log{"Command4_Click", "Ini_Validate", "Fim_GotFocus"}));
    EXPECT_EQ(view.closed, 0);

    view.started.clear();
    view.duringBlockingCall = [&] {
        if (view.blockingCalls == 5) {  // TXRX of the second Command4_Click
            form.handle(window::Handler{window::Control::Ini, window::Event::Validate});
            EXPECT_FALSE(form.mayClose());
        }
    };
    form.handle(window::Handler{window::Control::Command4, window::Event::Click});
    EXPECT_EQ(view.started, Log{"Command4_Click"});  // the queued one is dropped
    EXPECT_EQ(view.closed, 1);
    EXPECT_EQ(fake.log().back(), "Fecha 0");  // the running handler ended its steps
}

}  // namespace
