// SPDX-License-Identifier: MIT
// VV, Retorno, Resultado and PaperEnd against the library double (Tenta: the printer test's port
// search); a reply file that fails them stops the handler, whose open ports close.
#include <cerrno>
#include <filesystem>

#include "core_test.h"

namespace {

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
    EXPECT_EQ(view.text(Box::Text3), window::fromLatin1(c.shown));
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
                      ReplyCase{"latin1_bytes", ".+" + highBytes() + "}\r\n",
                                ".+" + highBytes() + "}", "+", ".+" + highBytes() + "}"},
                      ReplyCase{"longer_than_one_read", kLong + "\r\n", kLong, "+", kLong}),
    [](const auto &info) { return std::string(info.param.name); });

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
    fake.pushFile(kNotWrittenReply + "\r\n", c.txrxResult);
    EXPECT_EQ(form.VV(2, c.timeout, c.command), c.txrxResult);
    // A write failure is no exception: the reply file is read all the same.
    EXPECT_EQ(form.LastReply, u16(kNotWrittenReply));

    const FakeCall call = fake.call(0);
    EXPECT_EQ(call.function + ' ' + std::to_string(call.port), "TXRX 2");
    EXPECT_EQ(call.timeout_s, c.timeout);
    EXPECT_EQ(call.count, int(c.bytes.size()));
    EXPECT_EQ(call.command, c.bytes);
    EXPECT_TRUE(call.nulAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandSent,
    ::testing::Values(CommandCase{"status", u".28", ".28", 3, 0},
                      CommandCase{"reading_to_file", u".1500011000#", ".1500011000#", 100, 0},
                      CommandCase{"empty", u"", "", 10, 0},
                      CommandCase{"latin1_one_byte_each", u"\x01\tção", "\x01\t\xE7\xE3o", 1000, 0},
                      CommandCase{"others_become_question_marks", u"a€b😀c", "a?b?c", 180, 0},
                      CommandCase{"write_failure_passed_back", u".13", ".13", 180, -1}),
    [](const auto &info) { return std::string(info.param.name); });

struct PaperCase {
    const char *name;
    int port;  // 0: no printer test yet
    std::string reply;
    std::string text;
    std::uint32_t color;
    int result;
};

class PaperState : public CoreTest, public ::testing::WithParamInterface<PaperCase> {};

TEST_P(PaperState, ShownInItsColor) {
    const PaperCase &c = GetParam();
    if (c.port != 0) {
        form.PrinterPort = c.port;
    }
    form.ReplySign = u"+";
    view.colors[Box::PAPEL] = 0xFF0000;  // blue
    fake.pushReply(c.reply);
    EXPECT_EQ(form.PaperEnd(), c.result);
    EXPECT_EQ(view.utf8(Box::PAPEL), c.text);
    EXPECT_EQ(view.colors[Box::PAPEL], c.color);
    EXPECT_EQ(form.LastReply, u16(c.reply));
    EXPECT_EQ(form.ReplySign, u"+");  // PaperEnd leaves the sign alone
    EXPECT_EQ(fake.log(), Log{"TXRX " + std::to_string(c.port) + " 10 .23"});
}

INSTANTIATE_TEST_SUITE_P(
    Papers, PaperState,
    ::testing::Values(PaperCase{"five_at_6", 2, ".+0005}", "Sem Papel", 255, -1},
                      PaperCase{"refused_five_at_6", 2, ".-0005}", "Sem Papel", 255, -1},
                      PaperCase{"zero_at_6_port_0_before_a_test", 0, ".+0000}", "Com Papel", 0, 0},
                      PaperCase{"five_at_5", 2, ".+0050}", "Com Papel", 0, 0},
                      PaperCase{"five_characters", 2, ".+005", "Com Papel", 0, 0},
                      PaperCase{"timeout", 2, kTimeoutReply, "Com Papel", 0, 0}),
    [](const auto &info) { return std::string(info.param.name); });

struct ReplyFileCase {
    const char *name;
    bool paperEnd;      // else VV
    std::string setup;  // RespApf.txt: missing, "empty", a "directory"; or "-2" and the finding
    int cause, error;   // the library's finding after -2
    std::string summary, reason;
};

class ReplyFileFailure : public CoreTest, public ::testing::WithParamInterface<ReplyFileCase> {};

// The handler stops at the routine, the port it opened is closed, the state stays, the message
// names the file, the directory and the reason; the next exchange works.
TEST_P(ReplyFileFailure, StopsTheHandler) {
    const ReplyFileCase &c = GetParam();
    const bool notWritten = c.setup == "-2";
    if (c.setup == "empty") {
        fake.pushFile("");
    } else {
        if (c.setup == "directory") {
            std::filesystem::create_directory("RespApf.txt");
        } else if (notWritten) {  // a stale reply that must not pass for this one
            zarvo::testing::write_file("RespApf.txt", ".+stale}\r\n");
        }
        fake.pushNoFile(notWritten ? ZARVO_LOG_FAILED : 0, c.cause, c.error);
    }
    form.LastReply = u"earlier";
    form.ReplySign = u"x";
    form.PrinterPort = 1;
    view.texts[Box::Text3] = u"earlier";
    bool reachedTheEnd = false;
    const std::string error = errorOf([&] {
        form.link().Abre(1);
        c.paperEnd ? form.PaperEnd() : form.VV(1, 10, u".28");
        reachedTheEnd = true;
    });

    EXPECT_FALSE(reachedTheEnd);
    EXPECT_EQ(fake.log(),
              (Log{"Abre 1", c.paperEnd ? "TXRX 1 10 .23" : "TXRX 1 10 .28", "Fecha 1"}));
    EXPECT_EQ(form.LastReply, u"earlier");
    EXPECT_EQ(form.ReplySign, u"x");
    EXPECT_EQ(form.PrinterPort, std::optional<std::int32_t>(1));
    // No earlier reply stays in the answer box as if it were this exchange's.
    EXPECT_EQ(view.utf8(Box::Text3), notWritten ? "" : "earlier");
    const std::string summary = error.substr(0, error.find('\n'));
    EXPECT_NE(summary.find(c.summary + " no arquivo RespApf.txt"), std::string::npos) << error;
    for (const std::string &part : {c.reason, std::filesystem::current_path().string()}) {
        EXPECT_NE(error.find(part, summary.size()), std::string::npos) << error;
    }

    std::filesystem::remove("RespApf.txt");
    fake.pushReply(".+next}");
    EXPECT_EQ(errorOf([&] { form.VV(1, 10, u".13"); }), "");
    EXPECT_EQ(form.LastReply, u".+next}");
}

const std::string kNotRead = "Não foi possível ler a resposta da impressora";
const std::string kNotWritten = "não conseguiu gravar a resposta da impressora";
const int kWritten = ZARVO_REPLY_FILE_WRITTEN;

INSTANTIATE_TEST_SUITE_P(
    Setups, ReplyFileFailure,
    ::testing::Values(
        ReplyFileCase{"missing", false, "", kWritten, 0, kNotRead, "No such file or directory"},
        ReplyFileCase{"missing_paper_end", true, "", kWritten, 0, kNotRead,
                      "No such file or directory"},
        ReplyFileCase{"empty", false, "empty", kWritten, 0, kNotRead, "o arquivo está vazio"},
        ReplyFileCase{"directory_in_its_place", false, "directory", kWritten, 0, kNotRead, ""},
        ReplyFileCase{"not_written_nothing_found", false, "-2", kWritten, 0, kNotWritten,
                      "motivo não identificado"},
        ReplyFileCase{"not_written_directory", false, "-2", ZARVO_REPLY_FILE_DIRECTORY, 0,
                      kNotWritten, "RespApf.txt é uma pasta"},
        ReplyFileCase{"not_written_symbolic_link", false, "-2", ZARVO_REPLY_FILE_LINK, 0,
                      kNotWritten, "RespApf.txt é um link simbólico"},
        ReplyFileCase{"not_written_not_plain", false, "-2", ZARVO_REPLY_FILE_NOT_PLAIN, 0,
                      kNotWritten, "RespApf.txt não é um arquivo comum"},
        ReplyFileCase{"not_written_read_only_directory", false, "-2",
                      ZARVO_REPLY_FILE_DIRECTORY_READ_ONLY, EACCES, kNotWritten,
                      "a pasta não permite gravar arquivos: Permission denied"},
        ReplyFileCase{"not_written_read_only_file", true, "-2", ZARVO_REPLY_FILE_READ_ONLY, EACCES,
                      kNotWritten, "o arquivo RespApf.txt não pode ser gravado: Permission denied"},
        ReplyFileCase{"not_written_disk_full", false, "-2", ZARVO_REPLY_FILE_DISK_FULL, ENOSPC,
                      kNotWritten, "No space left on device"}),
    [](const auto &info) { return std::string(info.param.name); });

// A handler that stops closes the ports its Abre opened and no Fecha closed, and only those.
TEST_F(CoreTest, PortsClosedAreOnlyThoseLeftOpen) {
    fake.setAbreResult(2, -1);
    fake.pushReply(".+ok}");
    fake.pushNoFile(-2);  // the second exchange could not write its reply
    form.handleWith(click(Control::Command1), [&] {
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
    form.handleWith(click(Control::Command2), [&] { form.VV(5, 3, u".36S"); });
    EXPECT_EQ(fake.log(), Log{"TXRX 5 3 .36S"});
}

}  // namespace
