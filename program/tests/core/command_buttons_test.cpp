// SPDX-License-Identifier: MIT
// The printer test's boxes filled from the replies' fields, against the library double.
#include "fake_view.h"

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
    view.texts[core::Box::Reducao] = view.texts[core::Box::LEITX] = u16(c.earlier);
    for (const std::string &reply : c.replies) {
        fake.pushReply(reply);
    }
    form.handle(core::Handler::Command1_Click);

    std::vector<std::string> shown{view.utf8(core::Box::Text2), core::toUtf8(form.SummerTimeFlag)};
    for (core::Box box :
         {core::Box::COO, core::Box::CCF, core::Box::Reducao, core::Box::LEITX, core::Box::PAPEL}) {
        shown.push_back(view.utf8(box));
    }
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(view.utf8(core::Box::Text1), "com 1");
    EXPECT_EQ(form.ReplySign, core::fromLatin1(c.replies.at(3).substr(1, 1)));
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

// Focus events raised while a handler waits run after it, in order; a close asked for meanwhile
// drops them and closes the window when the handler has ended.
TEST_F(CoreTest, HandlersRunOneAtATimeAndCloseWaits) {
    fake.pushReply(".+ok}");
    view.duringBlockingCall = [&] {
        if (view.blockingCalls == 2) {  // inside TXRX of Command4_Click
            form.handle(core::Handler::Ini_Validate);
            form.handle(core::Handler::Fim_GotFocus);
            EXPECT_EQ(view.started, Log{"Command4_Click"});
        }
    };
    form.handle(core::Handler::Command4_Click);
    EXPECT_EQ(view.started, (Log{"Command4_Click", "Ini_Validate", "Fim_GotFocus"}));
    EXPECT_EQ(view.closed, 0);

    view.started.clear();
    view.duringBlockingCall = [&] {
        if (view.blockingCalls == 5) {  // TXRX of the second Command4_Click
            form.handle(core::Handler::Ini_Validate);
            EXPECT_FALSE(form.mayClose());
        }
    };
    form.handle(core::Handler::Command4_Click);
    EXPECT_EQ(view.started, Log{"Command4_Click"});  // the queued one is dropped
    EXPECT_EQ(view.closed, 1);
    EXPECT_EQ(fake.log().back(), "Fecha 0");  // the running handler ended its steps
}

}  // namespace
