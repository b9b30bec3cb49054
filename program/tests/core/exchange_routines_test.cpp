// SPDX-License-Identifier: MIT
// Tenta, VV, Retorno, Resultado and PaperEnd against the library double; a reply file that fails
// them stops the handler, whose open ports close.
#include <sys/stat.h>

#include <filesystem>

#include "core_test.h"
#include "file_modes_bind.h"

namespace {

const std::string kTimeoutReply = ".-0001ERRO:         99}";

std::string latin1High() {
    std::string bytes;
    for (int c = 0xA0; c <= 0xFF; ++c) {
        bytes += static_cast<char>(c);
    }
    return bytes;
}

struct ReplyCase {
    const char *name;
    std::string file;       // the whole of RespApf.txt
    std::string lastReply;  // as Latin-1 bytes
    std::string replySign;
    std::string shown;  // in Text3 after Resultado, as Latin-1 bytes
};

class ReplyRead : public CoreTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(ReplyRead, VVStoresItAndResultadoShowsIt) {
    const ReplyCase &c = GetParam();
    fake.pushFile(c.file);
    EXPECT_EQ(form.VV(1, 10, u".28"), 0);
    EXPECT_EQ(form.LastReply, window::fromLatin1(c.lastReply));
    EXPECT_EQ(form.ReplySign, window::fromLatin1(c.replySign));
    form.Resultado();
    EXPECT_EQ(view.text(window::Box::Text3), window::fromLatin1(c.shown));
    EXPECT_EQ(view.events.back(), "repaint Text3");
    EXPECT_EQ(form.Retorno(), window::fromLatin1(c.lastReply));  // reading again gives the same
}

const std::string kAccepted = ".+0000000000012345}";
const std::string kLong = ".+" + std::string(9000, 'x') + "}";

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyRead,
    ::testing::Values(ReplyCase{"accepted_shown_whole", kAccepted + "\r\n", kAccepted, "+",
                                kAccepted},
                      ReplyCase{"timeout", kTimeoutReply + "\r\n", kTimeoutReply, "-", "ERRO 99"},
                      ReplyCase{"write_failure", ".-0001ERRO:         98}\r\n",
                                ".-0001ERRO:         98}", "-", "ERRO 98"},
                      ReplyCase{"refusal_of_21", ".-0001ERRO:         7\r\n",
                                ".-0001ERRO:         7", "-", "ERRO 7"},
                      ReplyCase{"refusal_of_20", ".-0001ERRO:         \r\n",
                                ".-0001ERRO:         ", "-", "ERRO "},
                      ReplyCase{"one_character", ".\r\n", ".", "", "ERRO "},
                      ReplyCase{"empty_line", "\r\n", "", "", "ERRO "},
                      ReplyCase{"bracket_is_no_acceptance", ".]0001xxxxxxxxxxxxxx42}\r\n",
                                ".]0001xxxxxxxxxxxxxx42}", "]", "ERRO 42"},
                      ReplyCase{"sign_is_character_2", "++\r\n", "++", "+", "++"},
                      ReplyCase{"cr_inside_cuts_it", ".+ab\rcd}\r\n", ".+ab", "+", ".+ab"},
                      ReplyCase{"lone_lf_stays", ".-a\nb}\r\n", ".-a\nb}", "-", "ERRO "},
                      ReplyCase{"no_line_end", ".+12}", ".+12}", "+", ".+12}"},
                      ReplyCase{"first_line_only", ".+1}\r\n.-2}\r\n", ".+1}", "+", ".+1}"},
                      ReplyCase{"latin1_bytes", ".+" + latin1High() + "}\r\n",
                                ".+" + latin1High() + "}", "+", ".+" + latin1High() + "}"},
                      ReplyCase{"longer_than_one_read", kLong + "\r\n", kLong, "+", kLong}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CoreTest, ResultadoBeforeAnyExchange) {
    view.texts[window::Box::Text3] = u"typed by the operator";
    form.Resultado();
    EXPECT_EQ(view.utf8(window::Box::Text3), "ERRO ");
    EXPECT_EQ(fake.log(), Log{});
}

struct CommandCase {
    const char *name;
    window::Text command;
    std::string bytes;
    int timeout;
    int txrxResult;
};

class CommandSent : public CoreTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandSent, AsACountedLatin1Text) {
    const CommandCase &c = GetParam();
    fake.pushFile(".-0001ERRO:         98}\r\n", c.txrxResult);
    EXPECT_EQ(form.VV(2, c.timeout, c.command), c.txrxResult);
    // A write failure is no exception: the reply file is read all the same.
    EXPECT_EQ(form.LastReply, u".-0001ERRO:         98}");

    const fake_call call = fake.call(0);
    EXPECT_STREQ(call.function, "TXRX");
    EXPECT_EQ(call.port, 2);
    EXPECT_EQ(call.timeout_s, c.timeout);
    EXPECT_EQ(call.count, int(c.bytes.size()));
    EXPECT_EQ(std::string(call.command, std::size_t(call.count)), c.bytes);
    EXPECT_EQ(call.nul_after, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandSent,
    ::testing::Values(CommandCase{"status", u".28", ".28", 3, 0},
                      CommandCase{"reading_to_file", u".1500011000#", ".1500011000#", 100, 0},
                      CommandCase{"empty", u"", "", 10, 0},
                      CommandCase{"latin1_one_byte_each", u"ção", "\xE7\xE3o", 1000, 0},
                      CommandCase{"others_become_question_marks", u"a€b😀c", "a?b?c", 180, 0},
                      CommandCase{"write_failure_passed_back", u".13", ".13", 180, -1}),
    [](const auto &info) { return std::string(info.param.name); });

struct TentaCase {
    const char *name;
    int abreResult;
    std::string reply;  // empty: the double's timeout reply
    int result;
    int printerPort;
    Log calls;
    std::string lastReply, replySign;
};

class TentaOnPort2 : public CoreTest, public ::testing::WithParamInterface<TentaCase> {};

TEST_P(TentaOnPort2, KeepsTheAcceptingPortOpen) {
    const TentaCase &c = GetParam();
    form.LastReply = u"earlier";
    form.ReplySign = u"x";
    form.PrinterPort = 1;
    fake.setAbreResult(2, c.abreResult);
    if (!c.reply.empty()) {
        fake.pushReply(c.reply);
    }
    EXPECT_EQ(form.Tenta(2), c.result);
    EXPECT_EQ(form.PrinterPort, std::optional<std::int32_t>(c.printerPort));
    EXPECT_EQ(fake.log(), c.calls);
    EXPECT_EQ(form.LastReply, u16(c.lastReply));
    EXPECT_EQ(form.ReplySign, u16(c.replySign));
}

const Log kProbeOpen{"Abre 2", "TXRX 2 3 .28"};
const Log kProbeClosed{"Abre 2", "TXRX 2 3 .28", "Fecha 2"};

INSTANTIATE_TEST_SUITE_P(
    Probes, TentaOnPort2,
    ::testing::Values(
        TentaCase{"accepts", 0, ".+0000}", 0, 2, kProbeOpen, ".+0000}", "+"},
        TentaCase{"accepts_abre_above_0", 5, ".+0000}", 0, 2, kProbeOpen, ".+0000}", "+"},
        TentaCase{"refuses", 0, ".-0001ERRO:         12}", -1, 1, kProbeClosed,
                  ".-0001ERRO:         12}", "-"},
        TentaCase{"bracket_is_no_acceptance", 0, ".]0000}", -1, 1, kProbeClosed, ".]0000}", "]"},
        TentaCase{"no_answer", 0, "", -1, 1, kProbeClosed, kTimeoutReply, "-"},
        TentaCase{"abre_fails", -1, ".+0000}", -1, 1, {"Abre 2"}, "earlier", "x"}),
    [](const auto &info) { return std::string(info.param.name); });

struct PaperCase {
    const char *name;
    std::string reply;
    std::string text;
    std::uint32_t colour;
    int result;
};

class PaperState : public CoreTest, public ::testing::WithParamInterface<PaperCase> {};

TEST_P(PaperState, ShownInItsColour) {
    const PaperCase &c = GetParam();
    form.PrinterPort = 2;
    form.ReplySign = u"+";
    view.colours[window::Box::PAPEL] = 0xFF0000;  // blue
    fake.pushReply(c.reply);
    EXPECT_EQ(form.PaperEnd(), c.result);
    EXPECT_EQ(view.utf8(window::Box::PAPEL), c.text);
    EXPECT_EQ(view.colours[window::Box::PAPEL], c.colour);
    EXPECT_EQ(form.LastReply, u16(c.reply));
    EXPECT_EQ(form.ReplySign, u"+");  // PaperEnd leaves the sign alone
    EXPECT_EQ(fake.log(), Log{"TXRX 2 10 .23"});
}

INSTANTIATE_TEST_SUITE_P(Papers, PaperState,
                         ::testing::Values(PaperCase{"five_at_6", ".+0005}", "Sem Papel", 255, -1},
                                           PaperCase{"refused_five_at_6", ".-0005}", "Sem Papel",
                                                     255, -1},
                                           PaperCase{"zero_at_6", ".+0000}", "Com Papel", 0, 0},
                                           PaperCase{"five_at_5", ".+0050}", "Com Papel", 0, 0},
                                           PaperCase{"five_characters", ".+005", "Com Papel", 0, 0},
                                           PaperCase{"timeout", kTimeoutReply, "Com Papel", 0, 0}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(CoreTest, PaperEndUsesPortZeroBeforeATest) {
    fake.pushReply(".+0000}");
    form.PaperEnd();
    EXPECT_EQ(fake.log(), Log{"TXRX 0 10 .23"});
}

struct ReplyFileCase {
    const char *name;
    bool paperEnd;  // else VV
    std::string setup;
    int txrxResult;
    std::string summary, reason;
};

class ReplyFileFailure : public CoreTest, public ::testing::WithParamInterface<ReplyFileCase> {};

// The handler stops at the routine, the port it opened is closed, the state stays, the message
// names the file, the directory and the reason; the next exchange works.
TEST_P(ReplyFileFailure, StopsTheHandler) {
    const ReplyFileCase &c = GetParam();
    FileModesBind modes;
    if (!modes.failure().empty()) {
        GTEST_SKIP() << modes.failure();
    }
    if (c.setup == "empty") {
        fake.pushFile("", c.txrxResult);
    } else {
        if (c.setup == "directory") {
            std::filesystem::create_directory("RespApf.txt");
        } else if (c.setup == "symlink") {
            std::filesystem::create_symlink("elsewhere.txt", "RespApf.txt");
        } else if (c.setup == "read-only file") {
            zarvo::testing::write_file("RespApf.txt", ".+earlier}\r\n");
            ASSERT_EQ(chmod("RespApf.txt", 0400), 0);
        } else if (c.setup == "read-only directory") {
            ASSERT_EQ(chmod(".", 0500), 0);
        }
        fake.pushNoFile(c.txrxResult);
    }
    form.LastReply = u"earlier";
    form.ReplySign = u"x";
    form.PrinterPort = 1;
    view.texts[window::Box::Text3] = u"earlier";
    bool reachedTheEnd = false;
    form.handleWith(window::Handler{window::Control::Command4, window::Event::Click}, [&] {
        form.link().Abre(1);
        c.paperEnd ? form.PaperEnd() : form.VV(1, 10, u".28");
        reachedTheEnd = true;
    });
    chmod(".", 0700);

    EXPECT_FALSE(reachedTheEnd);
    EXPECT_EQ(fake.log(),
              (Log{"Abre 1", c.paperEnd ? "TXRX 1 10 .23" : "TXRX 1 10 .28", "Fecha 1"}));
    EXPECT_EQ(form.LastReply, u"earlier");
    EXPECT_EQ(form.ReplySign, u"x");
    EXPECT_EQ(form.PrinterPort, std::optional<std::int32_t>(1));
    // No earlier reply stays in the answer box as if it were this exchange's.
    EXPECT_EQ(view.utf8(window::Box::Text3), c.txrxResult == -2 ? "" : "earlier");
    ASSERT_EQ(view.errors.size(), 1U);
    const std::string summary = window::toUtf8(view.errors[0].summary);
    const std::string detail = window::toUtf8(view.errors[0].detail);
    EXPECT_NE(summary.find(c.summary), std::string::npos) << summary;
    EXPECT_NE(summary.find("RespApf.txt"), std::string::npos) << summary;
    for (const std::string &part : {c.reason, std::filesystem::current_path().string()}) {
        EXPECT_NE(detail.find(part), std::string::npos) << detail;
    }

    std::filesystem::remove("RespApf.txt");
    fake.reset();
    fake.pushReply(".+next}");
    form.handleWith(window::Handler{window::Control::Command4, window::Event::Click},
                    [&] { form.VV(1, 10, u".13"); });
    EXPECT_EQ(form.LastReply, u".+next}");
    EXPECT_EQ(view.errors.size(), 1U);
}

const std::string kNotRead = "Não foi possível ler a resposta";
const std::string kNotWrittenByLibrary = "não conseguiu gravar";

INSTANTIATE_TEST_SUITE_P(
    Setups, ReplyFileFailure,
    ::testing::Values(
        ReplyFileCase{"missing", false, "", 0, kNotRead, "No such file or directory"},
        ReplyFileCase{"missing_paper_end", true, "", 0, kNotRead, "No such file or directory"},
        ReplyFileCase{"empty", false, "empty", 0, kNotRead, "o arquivo está vazio"},
        ReplyFileCase{"directory_in_its_place", false, "directory", 0, kNotRead, ""},
        ReplyFileCase{"not_written_nothing_visible", false, "", -2, kNotWrittenByLibrary,
                      "motivo não identificado"},
        ReplyFileCase{"not_written_directory", false, "directory", -2, kNotWrittenByLibrary,
                      "RespApf.txt é uma pasta"},
        ReplyFileCase{"not_written_symbolic_link", false, "symlink", -2, kNotWrittenByLibrary,
                      "RespApf.txt é um link simbólico"},
        ReplyFileCase{"not_written_read_only_directory", false, "read-only directory", -2,
                      kNotWrittenByLibrary,
                      "a pasta não permite gravar arquivos: Permission denied"},
        ReplyFileCase{"not_written_read_only_file", true, "read-only file", -2,
                      kNotWrittenByLibrary,
                      "o arquivo RespApf.txt não pode ser gravado: Permission denied"}),
    [](const auto &info) { return std::string(info.param.name); });

// A handler that stops closes the ports its Abre opened and no Fecha closed, and only those.
TEST_F(CoreTest, PortsClosedAreOnlyThoseLeftOpen) {
    fake.setAbreResult(2, -1);
    fake.pushReply(".+ok}");
    fake.pushNoFile(-2);  // the second exchange could not write its reply
    form.handleWith(window::Handler{window::Control::Command1, window::Event::Click}, [&] {
        form.link().Abre(1);
        form.link().Abre(2);  // fails: nothing to close
        form.link().Abre(3);
        form.VV(3, 10, u".5609");
        form.link().Fecha(3);
        form.VV(1, 10, u".5618");
    });
    EXPECT_EQ(fake.log(), (Log{"Abre 1", "Abre 2", "Abre 3", "TXRX 3 10 .5609", "Fecha 3",
                               "TXRX 1 10 .5618", "Fecha 1"}));
    EXPECT_EQ(form.LastReply, u".+ok}");

    // The next handler starts with no port to answer for.
    fake.reset();
    form.handleWith(window::Handler{window::Control::Command2, window::Event::Click},
                    [&] { form.VV(5, 3, u".36S"); });
    EXPECT_EQ(fake.log(), Log{"TXRX 5 3 .36S"});
}

}  // namespace
