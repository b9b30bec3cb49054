// SPDX-License-Identifier: MIT
// The fiscal memory frame against the library double: the command, the boxes, LeitM.txt.
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "core_test.h"
#include "file_modes_bind.h"

namespace {

namespace fs = std::filesystem;

const std::string kEnd = ".]0003FIM:          00}";
const std::string kNotSent = "<TXRX -1>";  // in a script: the command could not be written
const std::string kOld = "an earlier reading, longer than the new one\r\nsecond line\r\n";
const std::string kSaved = "Arquivo LeitM.txt gravado";

void push(const FakeLibrary &fake, const std::vector<std::string> &replies) {
    for (const std::string &reply : replies) {
        reply == kNotSent ? fake.pushFile(kNotWrittenReply + "\r\n", -1) : fake.pushReply(reply);
    }
}

// Every name in the current directory, in order.
Log entries() {
    Log names;
    for (const fs::directory_entry &entry : fs::directory_iterator(".")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct CommandCase {
    const char *name;
    std::string options;  // "date", "file", "port 2"
    Log typed;            // into Ini, then Fim (UTF-8)
    std::string call;     // the command's bytes as sent
    Log during;           // Text3, Ini, Fim while the exchange waits
    Log after;            // Ini, Fim
};

class ReadingCommand : public CoreTest, public ::testing::WithParamInterface<CommandCase> {};

// The command, timeout and port, the progress text and the boxes while the exchange waits, the
// port closed, and the boxes afterwards. The view runs Validate as each box loses the focus, the
// last one before "Executa" runs.
TEST_P(ReadingCommand, BuiltFromTheBoxes) {
    const CommandCase &c = GetParam();
    const bool toFile = c.options.find("file") != std::string::npos;
    const int port = c.options.find("port 2") != std::string::npos ? 2 : 0;
    if (port != 0) {
        form.PrinterPort = port;
    }
    if (c.options.find("date") != std::string::npos) {
        view.select(window::Option::Pordata);
        form.handle(click(Control::Pordata));
    }
    if (toFile) {
        view.select(window::Option::NoArq);
    }
    if (!c.typed.empty()) {
        view.texts[Box::Ini] = u16(c.typed[0]);
        form.handle(window::Handler{Control::Ini, window::Event::Validate});
        view.texts[Box::Fim] = u16(c.typed[1]);
        form.handle(window::Handler{Control::Fim, window::Event::Validate});
    }
    fake.pushReply(toFile ? kEnd : ".+0000}");
    Log during;
    view.duringBlockingCall = [&] {
        if (view.blockingCalls == 2) {  // TXRX
            during = {view.utf8(Box::Text3), view.utf8(Box::Ini), view.utf8(Box::Fim)};
        }
    };
    form.handle(click(Control::LMF));

    const std::string p = std::to_string(port);
    EXPECT_EQ(fake.log(), (Log{"Abre " + p, c.call, "Fecha " + p}));
    EXPECT_EQ(during, c.during);
    EXPECT_EQ((Log{view.utf8(Box::Ini), view.utf8(Box::Fim)}), c.after);
    EXPECT_EQ(view.utf8(Box::Text3), toFile ? kSaved : ".+0000}");
    EXPECT_EQ(fs::exists("LeitM.txt"), toFile);
}

const std::string kByReduction = "Leitura por Redução...", kByDate = "Leitura por Data...";

INSTANTIATE_TEST_SUITE_P(
    Commands, ReadingCommand,
    ::testing::Values(
        CommandCase{"reduction_printer", "", Log{}, "TXRX 0 1000 .1500011000",
                    Log{kByReduction, "0001", "1000"}, Log{"0001", "1000"}},
        CommandCase{"reduction_file", "file", Log{}, "TXRX 0 100 .1500011000#",
                    Log{"Leitura por Redução em Arquivo ...", "0001", "1000"}, Log{"0001", "1000"}},
        CommandCase{"date_printer", "date", Log{}, "TXRX 0 1000 .16010100301210",
                    Log{kByDate, "010100", "301210"}, Log{"01/01/00", "30/12/10"}},
        CommandCase{"date_file_each_box_its_date", "date file", Log{"1/2/03", "5-6-2007"},
                    "TXRX 0 100 .16010203050607#",
                    Log{"Leitura por Data em Arquivo ...", "010203", "050607"},
                    Log{"01/02/03", "05/06/07"}},
        CommandCase{"reduction_7_and_12_padded_port_2", "port 2", Log{"7", " 12"},
                    "TXRX 2 1000 .1500070012", Log{kByReduction, "0007", "0012"},
                    Log{"0007", "0012"}},
        CommandCase{"reduction_no_number_goes_as_typed", "", Log{"a 1", "9"},
                    "TXRX 0 1000 .15a 10009", Log{kByReduction, "a 1", "0009"}, Log{"a 1", "0009"}},
        // What has no 8-bit form goes as "?", shown so in the box first; Latin-1 goes as it is.
        CommandCase{"reduction_euro_sign_and_emoji_each_become_one_question_mark", "",
                    Log{"1€", "😀2"}, "TXRX 0 1000 .151??2", Log{kByReduction, "1?", "?2"},
                    Log{"1?", "?2"}},
        CommandCase{"date_latin1_letters_go_as_they_are", "date", Log{"é1/1/08", "ÿ"},
                    "TXRX 0 1000 .16\xE9"
                    "1/1/08\xFF",
                    Log{kByDate, "é1/1/08", "ÿ"}, Log{"é1/1/08", "ÿ"}},
        CommandCase{"date_no_calendar_date_goes_as_typed_six_digits_read_back", "date",
                    Log{"31/02/10", "150308"}, "TXRX 0 1000 .1631/02/10150308",
                    Log{kByDate, "31/02/10", "150308"}, Log{"31/02/10", "15/03/08"}}),
    [](const auto &info) { return std::string(info.param.name); });

struct SavedCase {
    const char *name;
    Log replies;                      // then unscripted: the timeout reply
    std::optional<std::string> file;  // nothing: LeitM.txt as it was before
    int more;                         // exchanges with ".++"
    std::string shown;
};

class SavedReading : public CoreTest, public ::testing::WithParamInterface<SavedCase> {};

// What LeitM.txt holds (an earlier, longer one is there before), the blocks fetched, the answer
// box, and nothing else left in the directory.
TEST_P(SavedReading, HoldsTheBlocksReceived) {
    const SavedCase &c = GetParam();
    zarvo::testing::write_file("LeitM.txt", kOld);
    push(fake, c.replies);
    view.select(window::Option::NoArq);
    form.handle(click(Control::LMF));

    const Log calls = fake.log();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "TXRX 0 100 .++"), c.more);
    EXPECT_EQ(calls.size(), std::size_t(3 + c.more));
    EXPECT_EQ(calls.back(), "Fecha 0");
    EXPECT_EQ(view.utf8(Box::Text3), c.shown);
    EXPECT_EQ(zarvo::testing::read_file("LeitM.txt"), c.file.value_or(kOld));
    EXPECT_EQ(entries(), (Log{"LeitM.txt", "RespApf.txt"}));
    EXPECT_TRUE(view.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SavedReading,
    ::testing::Values(
        SavedCase{"end_reply_first", Log{kEnd}, "FIM:          00\r\n", 0, kSaved},
        SavedCase{"three_blocks_in_order", Log{".+0001one}", ".+0002two}", ".+0003three}", kEnd},
                  "one\r\ntwo\r\nthree\r\n", 3, kSaved},
        SavedCase{"empty_data_bracket_and_plus_inside_text_after_brace_no_brace_short_reply",
                  Log{".+0001}", ".+0002a]b+.+c}", ".+0003abc}def}", ".+0004xyz", ".+", kEnd},
                  "\r\na]b+.+c\r\nabc\r\nxyz\r\n\r\n", 5, kSaved},
        SavedCase{"bytes_0x80_to_0xff", Log{".+0001" + highBytes() + "}", kEnd},
                  highBytes() + "\r\n", 1, kSaved},
        SavedCase{"refused_after_two_blocks",
                  Log{".+0001one}", ".+0002two}", ".-0001ERRO:         33}"}, "one\r\ntwo\r\n", 2,
                  "ERRO 33"},
        SavedCase{"no_answer_after_one_block", Log{".+0001one}"}, "one\r\n", 1, "ERRO 99"},
        SavedCase{"reading_refused", Log{".-0001ERRO:         31}"}, std::nullopt, 0, "ERRO 31"},
        SavedCase{"reading_not_answered", Log{}, std::nullopt, 0, "ERRO 99"},
        SavedCase{"reading_not_written", Log{kNotSent}, std::nullopt, 0, "ERRO 98"}),
    [](const auto &info) { return std::string(info.param.name); });

struct FileErrorCase {
    const char *name;
    std::string setup;
    std::string summary;              // part of the message's summary
    std::string named, reason;        // parts of its detail, with the directory
    std::optional<std::string> file;  // LeitM.txt afterwards; nothing: no file written there
};

class ReadingFileError : public CoreTest, public ::testing::WithParamInterface<FileErrorCase> {};

// The reading stops with a message naming the file, the directory and the reason; the port is
// closed, an earlier reading or a link's target is left alone, and the window goes on.
TEST_P(ReadingFileError, StopsTheReadingAndSaysWhy) {
    const FileErrorCase &c = GetParam();
    FileModesBind modes;
    if (!modes.failure().empty()) {
        GTEST_SKIP() << modes.failure();
    }
    zarvo::testing::write_file("target.txt", kOld);
    zarvo::testing::write_file("RespApf.txt", "");  // left by an earlier exchange
    if (c.setup == "link") {
        fs::create_symlink("target.txt", "LeitM.txt");
    } else if (c.setup == "directory") {
        fs::create_directory("LeitM.txt");
    } else {
        zarvo::testing::write_file("LeitM.txt", kOld);
    }
    fake.pushReply(".+0001one}");
    if (c.setup == "reply lost") {
        fake.pushNoFile(-2);
    } else {  // each block fits the size limit alone; LeitM.txt outgrows it at the third
        push(fake, {".+0002" + std::string(600, 'x') + "}", ".+0003" + std::string(600, 'y') + "}",
                    kEnd});
    }
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit unchanged = limit;
    if (c.setup == "limit") {
        std::signal(SIGXFSZ, SIG_IGN);
        limit.rlim_cur = 1000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    if (c.setup == "read-only") {
        ASSERT_EQ(chmod(".", 0500), 0);
    }
    view.select(window::Option::NoArq);
    form.handle(click(Control::LMF));
    setrlimit(RLIMIT_FSIZE, &unchanged);
    chmod(".", 0700);

    const std::string message = error(), summary = message.substr(0, message.find('\n'));
    EXPECT_NE(summary.find(c.summary), std::string::npos) << message;
    for (const std::string &part : {c.named, c.reason, fs::current_path().string()}) {
        EXPECT_NE(message.find(part, summary.size()), std::string::npos) << message;
    }
    EXPECT_EQ(fake.log().back(), "Fecha 0");
    EXPECT_EQ(zarvo::testing::read_file("target.txt"), kOld);
    EXPECT_EQ(fs::is_symlink("LeitM.txt") || fs::is_directory("LeitM.txt"), !c.file);
    if (c.file) {
        EXPECT_EQ(zarvo::testing::read_file("LeitM.txt"), *c.file);
    }

    const std::size_t calls = fake.log().size();
    form.handle(click(Control::LMF));
    EXPECT_GT(fake.log().size(), calls);
}

const std::string kNotSaved = "Não foi possível gravar a leitura";
const std::string kLeitM = "Arquivo: LeitM.txt";

INSTANTIATE_TEST_SUITE_P(
    Setups, ReadingFileError,
    ::testing::Values(
        FileErrorCase{"leitm_is_a_symbolic_link", "link", kNotSaved, kLeitM, "link simbólico",
                      std::nullopt},
        FileErrorCase{"leitm_is_a_directory", "directory", kNotSaved, kLeitM, "pasta",
                      std::nullopt},
        FileErrorCase{"file_size_limit", "limit", kNotSaved, kLeitM, "File too large", kOld},
        FileErrorCase{"directory_not_writable", "read-only", kNotSaved, kLeitM, "Permission denied",
                      kOld},
        FileErrorCase{"reply_file_not_written_after_one_block", "reply lost",
                      "não conseguiu gravar a resposta", "Arquivo: RespApf.txt", "", "one\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
