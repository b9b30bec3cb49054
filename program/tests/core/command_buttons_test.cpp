// SPDX-License-Identifier: MIT
// The printer test's port search and boxes, and the summer-time and X-reading buttons, against the
// library double.
#include <algorithm>

#include "Zarvo.h"
#include "core_test.h"

namespace {

const std::string kPaper = ".+0000}";

// A reply to ".28" of 125 characters: reduction at 18, clock ddmmyyhhmm at 44, summer time at 54,
// first X reading at 124.
std::string status(const std::string &clock, char summer, char reduction, char firstX) {
    std::string reply = ".+" + std::string(123, '0');
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

Log operator+(Log first, const Log &second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// What follows the probe that the printer accepted on @p port.
Log exchangesOn(int port) {
    const std::string p = std::to_string(port);
    return {"TXRX " + p + " 10 .5609", "TXRX " + p + " 10 .5618", "TXRX " + p + " 10 .28",
            "TXRX " + p + " 10 .23", "Fecha " + p};
}

struct PrinterTestCase {
    const char *name;
    int abre1, abre2;
    std::string sign;
    std::string notice;  // telling a port that did not open; empty: none
    Log replies;         // to the probes, then ".5609", ".5618", ".28" and ".23"
    Log calls;
    int printerPort;
    // Text1, Text2, SummerTimeFlag, COO, CCF, Reducao, LEITX, PAPEL; "~" as before the test
    Log shown;
};

class PrinterTest : public CoreTest, public ::testing::WithParamInterface<PrinterTestCase> {};

TEST_P(PrinterTest, SearchesPort1ThenPort2AndFillsTheBoxes) {
    const PrinterTestCase &c = GetParam();
    const Box boxes[] = {Box::Text1,   Box::Text2, Box::COO,   Box::CCF,
                         Box::Reducao, Box::LEITX, Box::PAPEL, Box::Text3};
    for (Box box : boxes) {
        view.texts[box] = u"~";
    }
    form.PrinterPort = 1;  // found by an earlier test
    form.LastReply = u"earlier";
    form.ReplySign = form.SummerTimeFlag = u"~";
    fake.setAbreResult(1, c.abre1);
    fake.setAbreResult(2, c.abre2);
    for (const std::string &reply : c.replies) {
        fake.pushReply(reply);
    }
    form.handle(click(Control::Command1));

    std::vector<std::string> shown;
    for (Box box : boxes) {
        shown.push_back(view.utf8(box));
    }
    shown.insert(shown.begin() + 2, window::toUtf8(form.SummerTimeFlag));
    EXPECT_EQ(shown, c.shown + Log{"~"});  // the answer box is not the printer test's
    EXPECT_EQ(fake.log(), c.calls);
    EXPECT_EQ(form.PrinterPort, std::optional<std::int32_t>(c.printerPort));
    EXPECT_EQ(window::toUtf8(form.ReplySign), c.sign);
    // The latest exchange's reply, or the one before the test when no port opened.
    const auto exchanges = std::size_t(
        std::count_if(c.calls.begin(), c.calls.end(), [](auto &call) { return call[0] == 'T'; }));
    EXPECT_EQ(window::toUtf8(form.LastReply), exchanges == 0 ? "earlier"
                                              : exchanges <= c.replies.size()
                                                  ? c.replies[exchanges - 1]
                                                  : kTimeoutReply);
    EXPECT_EQ(notice(), c.notice);
    EXPECT_TRUE(view.errors.empty());
}

const Log kOnPort1 = Log{"Abre 1", "TXRX 1 3 .28"} + exchangesOn(1);
const Log kPort1Probed{"Abre 1", "TXRX 1 3 .28", "Fecha 1", "Abre 2", "TXRX 2 3 .28"};
const Log kNoPrinter = kPort1Probed + Log{"Fecha 2"};
const Log kNoPortOpens{"Abre 1", "Abre 2"};
const Log kOn2{kStatus, kCoo, kCcf, kStatus, kPaper};
const Log kShownOn2{"com 2",    kClock,         "N",        "004711", "000815",
                    "Efetuada", "Não Efetuada", "Com Papel"};
const Log kNotFound{"~", "Impressora não Conectada", "~", "~", "~", "~", "~", "~"};

INSTANTIATE_TEST_SUITE_P(
    Replies, PrinterTest,
    ::testing::Values(
        // An Abre result above 0 is a port opened.
        PrinterTestCase{"normal_time_reduction_mandatory_first_x_not_done_abre_above_0", 5, 0, "+",
                        "", Log{kStatus, kCoo, kCcf, status2('F', 'N'), kPaper}, kOnPort1, 1,
                        Log{"com 1", kClock, "N", "004711", "000815", "Obrigatória", "Não Efetuada",
                            "Com Papel"}},
        PrinterTestCase{
            "summer_time_reduction_and_first_x_done_no_paper", 0, 0, "+", "",
            Log{status("3112992359", 'S', 'N', 'N'), kCoo, kCcf, status2('S', 'S'), ".+0005}"},
            kOnPort1, 1,
            Log{"com 1", "Horario de Verao 31/12/99 23:59", "S", "004711", "000815", "Efetuada",
                "Efetuada", "Sem Papel"}},
        PrinterTestCase{
            "lower_case_s_is_normal_time_reduction_not_done", 0, 0, "+", "",
            Log{status("0103251430", 's', 'N', 'N'), kCoo, kCcf, status2('N', 'N'), kPaper},
            kOnPort1, 1,
            Log{"com 1", kClock, "s", "004711", "000815", "Não Efetuada", "Não Efetuada",
                "Com Papel"}},
        PrinterTestCase{"probe_of_43_characters_only_the_separators", 0, 0, "+", "",
                        Log{kStatus.substr(0, 43), kCoo, kCcf, kStatus, kPaper}, kOnPort1, 1,
                        Log{"com 1", "Horario Normal // :", "", "004711", "000815", "Efetuada",
                            "Não Efetuada", "Com Papel"}},
        PrinterTestCase{"probe_ending_inside_the_year", 0, 0, "+", "",
                        Log{kStatus.substr(0, 48), kCoo, kCcf, kStatus, kPaper}, kOnPort1, 1,
                        Log{"com 1", "Horario Normal 01/03/2 :", "", "004711", "000815", "Efetuada",
                            "Não Efetuada", "Com Papel"}},
        PrinterTestCase{"unknown_state_characters_leave_both_boxes_alone", 0, 0, "+", "",
                        Log{kStatus, kCoo, kCcf, status2('s', 'X'), kPaper}, kOnPort1, 1,
                        Log{"com 1", kClock, "N", "004711", "000815", "~", "~", "Com Papel"}},
        PrinterTestCase{
            "status_of_123_characters_leaves_leitx_alone", 0, 0, "+", "",
            Log{kStatus, kCoo, kCcf, status2('F', 'N').substr(0, 123), kPaper}, kOnPort1, 1,
            Log{"com 1", kClock, "N", "004711", "000815", "Obrigatória", "~", "Com Papel"}},
        PrinterTestCase{"timeouts_fill_the_boxes_from_the_error_reply", 0, 0, "-", "",
                        Log{kStatus, kTimeoutReply, ".+1812}", kTimeoutReply, kTimeoutReply},
                        kOnPort1, 1,
                        Log{"com 1", kClock, "N", "01ERRO", "12}", "~", "~", "Com Papel"}},
        PrinterTestCase{"on_port_2_port_1_answers_nothing_and_is_closed", 0, 0, "+", "",
                        Log{kTimeoutReply} + kOn2, kPort1Probed + exchangesOn(2), 2, kShownOn2},
        PrinterTestCase{"on_port_2_port_1_answers_with_a_bracket_and_is_closed", 0, 0, "+", "",
                        Log{".]0000}"} + kOn2, kPort1Probed + exchangesOn(2), 2, kShownOn2},
        PrinterTestCase{"on_port_2_port_1_does_not_open", -1, 0, "+", "", kOn2,
                        Log{"Abre 1", "Abre 2", "TXRX 2 3 .28"} + exchangesOn(2), 2, kShownOn2},
        PrinterTestCase{"no_printer_earlier_port_kept_only_text2_changes", 0, 0, "-", "", Log{},
                        kNoPrinter, 1, kNotFound},
        PrinterTestCase{"no_printer_no_port_opens", -1, -1, "-", "", Log{}, kNoPortOpens, 1,
                        kNotFound},
        // A busy port or one without permission is told; a missing device is the search's usual
        // answer and is not.
        PrinterTestCase{"port_1_busy_no_device_on_port_2", ZARVO_PORT_BUSY, ZARVO_PORT_NO_DEVICE,
                        "-", "A porta 1 não pôde ser aberta: em uso por outro programa.", Log{},
                        kNoPortOpens, 1, kNotFound},
        PrinterTestCase{
            "port_1_without_permission_printer_on_port_2", ZARVO_PORT_NO_PERMISSION, 0, "+",
            "A porta 1 não pôde ser aberta: sem permissão: o usuário precisa "
            "pertencer ao grupo dialout.",
            kOn2, Log{"Abre 1", "Abre 2", "TXRX 2 3 .28"} + exchangesOn(2), 2, kShownOn2},
        // A port the ports file gives to an unplugged adapter is told, unlike one with no device;
        // a damaged ports file is told for each port.
        PrinterTestCase{"port_1_assigned_device_gone_no_device_on_port_2", ZARVO_PORT_ASSIGNED_GONE,
                        ZARVO_PORT_NO_DEVICE, "-",
                        "A porta 1 não pôde ser aberta: o dispositivo escolhido para ela não está "
                        "ligado.",
                        Log{}, kNoPortOpens, 1, kNotFound},
        PrinterTestCase{"ports_file_damaged", ZARVO_PORT_BAD_PORTS_FILE, ZARVO_PORT_BAD_PORTS_FILE,
                        "-",
                        "A porta 1 não pôde ser aberta: o arquivo de portas está danificado.\n"
                        "A porta 2 não pôde ser aberta: o arquivo de portas está danificado.",
                        Log{}, kNoPortOpens, 1, kNotFound}),
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
    view.texts[Box::Text3] = u"before";
    std::string during;
    view.duringBlockingCall = [&] {
        if (view.blockingCalls == 2) {  // TXRX
            during = view.utf8(Box::Text3);
            EXPECT_EQ(view.events.back(), "repaint Text3");
        }
    };
    form.handle(c.handler);

    const std::string port = std::to_string(c.printerPort);
    EXPECT_EQ(fake.log(), (Log{"Abre " + port, c.exchange, "Fecha " + port}));
    EXPECT_EQ(during, c.progress);
    EXPECT_EQ(view.utf8(Box::Text3), c.shown);
    EXPECT_EQ(view.events.back(), "repaint Text3");
    EXPECT_EQ(notice(), c.notice);
    // Pressed again, the port is told again.
    form.handle(c.handler);
    EXPECT_EQ(view.notices.size(), c.notice.empty() ? 0U : 2U);
}

const std::string kEnter = "Entrar em Horário de Verão";
const std::string kLeave = "Sair do Horário de Verão";

INSTANTIATE_TEST_SUITE_P(
    Buttons, CommandButton,
    ::testing::Values(ButtonCase{"enter_summer_time_accepted", click(Control::Command2), 2, 0,
                                 kPaper, kEnter, "TXRX 2 3 .36S", kPaper, ""},
                      ButtonCase{"leave_summer_time_refused", click(Control::Command3), 1, 0,
                                 ".-0001ERRO:         11}", kLeave, "TXRX 1 3 .36N", "ERRO 11", ""},
                      ButtonCase{"x_reading_no_answer", click(Control::Command4), 2, 0, "",
                                 "Leitura X", "TXRX 2 180 .13", "ERRO 99", ""},
                      ButtonCase{"abre_fails_exchange_and_fecha_all_the_same",
                                 click(Control::Command2), 2, -1, kNotWrittenReply, kEnter,
                                 "TXRX 2 3 .36S", "ERRO 98", ""},
                      ButtonCase{"before_any_printer_test_port_0", click(Control::Command3), 0, -1,
                                 kNotWrittenReply, kLeave, "TXRX 0 3 .36N", "ERRO 98", ""},
                      ButtonCase{"port_busy_told", click(Control::Command2), 1, ZARVO_PORT_BUSY,
                                 kNotWrittenReply, kEnter, "TXRX 1 3 .36S", "ERRO 98",
                                 "A porta 1 não pôde ser aberta: em uso por outro programa."},
                      ButtonCase{"device_gone_since_the_printer_test_told",
                                 click(Control::Command4), 2, ZARVO_PORT_NO_DEVICE,
                                 kNotWrittenReply, "Leitura X", "TXRX 2 180 .13", "ERRO 98",
                                 "A porta 2 não pôde ser aberta: o dispositivo não existe."}),
    [](const auto &info) { return std::string(info.param.name); });

// Focus events raised while a handler waits run after it, in order; a close asked for meanwhile
// drops them and closes the window when the handler has ended.
TEST_F(CoreTest, HandlersRunOneAtATimeAndCloseWaits) {
    fake.pushReply(".+ok}");
    view.duringBlockingCall = [&] {
        if (view.blockingCalls == 2) {  // inside TXRX of Command4_Click
            form.handle(window::Handler{Control::Ini, window::Event::Validate});
            form.handle(window::Handler{Control::Fim, window::Event::GotFocus});
            EXPECT_EQ(view.started, Log{"Command4_Click"});
        }
    };
    form.handle(click(Control::Command4));
    EXPECT_EQ(view.started, (Log{"Command4_Click", "Ini_Validate", "Fim_GotFocus"}));
    EXPECT_EQ(view.closed, 0);

    view.started.clear();
    view.duringBlockingCall = [&] {
        if (view.blockingCalls == 5) {  // TXRX of the second Command4_Click
            form.handle(window::Handler{Control::Ini, window::Event::Validate});
            EXPECT_FALSE(form.mayClose());
        }
    };
    form.handle(click(Control::Command4));
    EXPECT_EQ(view.started, Log{"Command4_Click"});  // the queued one is dropped
    EXPECT_EQ(view.closed, 1);
    EXPECT_EQ(fake.log().back(), "Fecha 0");  // the running handler ended its steps
}

}  // namespace
