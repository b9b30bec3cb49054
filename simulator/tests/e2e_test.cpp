// SPDX-License-Identifier: MIT
// End to end: the link library and the serial layer talk to the simulator over its pty.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Zarvo.h"
#include "ZarvoCountedText.h"
#include "frames.h"
#include "printer_simulator.h"
#include "pseudo_terminal.h"
#include "scratch_directory.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kTimeout = ".-0001ERRO:         99}";

using Simulator = zarvo::testing::PrinterSimulator;

/// Each test runs in its own directory, as RespApf.txt goes to the current one.
class EndToEnd : public ::testing::Test {
  protected:
    void TearDown() override {
        Fecha(1);  // -2 when the port is not open
        sim_.reset();
    }

    /// Starts the simulator, points port 1 at it and opens the port.
    void start(std::vector<std::string> args, bool open = true) {
        sim_ = std::make_unique<Simulator>(ZARVO_SIM_PATH, args);
        ASSERT_TRUE(sim_->started()) << "cannot start " << sim_->error();
        path_ = sim_->device();
        if (path_.empty()) {
            GTEST_SKIP() << "the simulator could not create a pseudo-terminal";
        }
        ASSERT_TRUE(sim_->serve_port(1));
        if (open) {
            ASSERT_GE(Abre(1), 0) << "cannot open " << path_;
        }
    }

    /// One TXRX; returns RespApf.txt as written, line end included.
    std::string txrx(const std::string &command, int timeout_s = 10) {
        TXRX(1, timeout_s, zarvo::counted_text(command).data() + 4);
        return zarvo::testing::read_file("RespApf.txt");
    }

    /// The reply line without the CR LF that the library adds.
    std::string reply(const std::string &command, int timeout_s = 10) {
        std::string written = txrx(command, timeout_s);
        EXPECT_TRUE(written.size() >= 2 && written.ends_with("\r\n")) << written;
        if (written.ends_with("\r\n")) {
            written.resize(written.size() - 2);
        }
        return written;
    }

    static std::string at(const std::string &r, std::size_t pos, std::size_t len = 1) {
        return pos - 1 < r.size() ? r.substr(pos - 1, len) : std::string();
    }

    zarvo::testing::ScratchDirectory scratch_;  // first made, last gone
    std::unique_ptr<Simulator> sim_;
    std::string path_;
};

// What the session does with the faults chosen by option, through the real library and serial
// layer: zero bytes dropped, noise kept, a forced refusal that keeps the command from the printer,
// bytes after the "}" left for the next reply, a reply without its "}" and silence both the
// timeout reply, and the end after --exit-after. What each command answers is the model's part
// (printer_model_test); how --clock, --summer, --reduction, --first-x and --no-paper reach the
// status, the windows' (program/tests/tst_window_e2e, and the Win32 robot for --first-x).
TEST_F(EndToEnd, FaultsThroughTheLineThenExitAfter) {
    start({"--fast",    "--coo",
           "1234",      "--ccf",
           "5",         "--print-time",
           "0",         "--nul-in-reply",
           ".5609",     "--noise-in-reply",
           ".5618",     "--refuse",
           ".36N=07",   "--extra-after",
           ".28=EXTRA", "--cut-reply",
           ".13",       "--silent-after",
           "7",         "--exit-after",
           "8"});
    EXPECT_EQ(reply(".5609"), ".+09001234}");
    EXPECT_EQ(reply(".5618"),
              ".+1800\xFF\x7E\x01\x80"
              "0005}");
    EXPECT_EQ(reply(".36S"), ".+0000}");
    EXPECT_EQ(reply(".36N"), ".-0001ERRO:         07}");
    EXPECT_EQ(at(reply(".28"), 54), "S") << "the refused command changed the printer";
    std::this_thread::sleep_for(100ms);  // let the extra bytes arrive
    EXPECT_EQ(reply(".23"), "EXTRA.+0000}");
    EXPECT_EQ(reply(".13", 1), kTimeout);
    EXPECT_EQ(reply(".28", 1), kTimeout);  // the 8th command, after --silent-after 7
    EXPECT_EQ(sim_->wait_exit(), 0) << "--exit-after 8";
}

// Paced as on a real line: both kinds of reading over the line, in --blocks blocks, saved as the
// program saves LeitM.txt (each block's data and CR LF), match --dump-reading byte for byte (which
// reductions, and what ends a reading: printer_model_test). SIGTERM then ends the simulator.
TEST_F(EndToEnd, PacedReadingsMatchTheDump) {
    const std::vector<std::string> options{"--seed", "17", "--reductions", "3", "--blocks", "2"};
    start(options);
    for (const std::string command : {".1500011000#", ".16010100301210#"}) {
        std::string saved, r = reply(command, 100);
        for (int guard = 0; r.starts_with(".+") && guard < 10; ++guard) {
            saved += r.substr(6, r.size() - 7) + "\r\n";
            r = reply(".++", 100);
        }
        EXPECT_EQ(r, ".]0002FIM:          00}");
        EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 2);
        std::vector<std::string> dump_options = options;
        dump_options.insert(dump_options.end(), {"--dump-reading", command});
        Simulator dump(ZARVO_SIM_PATH, dump_options);
        EXPECT_EQ(saved, dump.output());
        EXPECT_EQ(dump.wait_exit(), 0);
    }
    sim_->signal(SIGTERM);
    EXPECT_EQ(sim_->wait_exit(), 0);
}

// The port named by the link, closed and opened again between commands; then the line closes after
// reading block 2: the simulator ends by itself, the link goes, the client finds the device gone.
TEST_F(EndToEnd, ThroughTheLinkUntilTheLineClosesAfterABlock) {
    const std::string link = (fs::current_path() / "port1").string();
    start({"--fast", "--link", link, "--blocks", "4", "--close-after-block", "2"}, false);
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), path_);
    ASSERT_EQ(::setenv("API232_PORT1", link.c_str(), 1), 0);
    for (const char *command : {".28", ".23", ".5609"}) {
        ASSERT_GE(Abre(1), 0);
        EXPECT_EQ(at(reply(command), 2), "+") << command;
        Fecha(1);
    }
    ASSERT_GE(Abre(1), 0);
    EXPECT_EQ(at(reply(".1500011000#"), 3, 4), "0001");
    EXPECT_EQ(at(reply(".++"), 3, 4), "0002");
    EXPECT_EQ(sim_->wait_exit(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "the link is removed";
    const std::string after = txrx(".++", 1);
    EXPECT_TRUE(after == kTimeout + "\r\n" || after == ".-0001ERRO:         98}\r\n") << after;
}

// A given device (a pseudo-terminal made here stands in for a serial port on a null-modem cable),
// raw bytes on it: noise and a frame with a bad checksum, then a good frame; the log tells each.
TEST_F(EndToEnd, ServesAGivenDeviceAndLogsWhatCame) {
    const zarvo::testing::PseudoTerminal line(9);
    SKIP_WITHOUT_PTY(line);
    const std::string log = (fs::current_path() / "sim.log").string();
    start({"--fast", "--device", line.path(), "--coo", "99", "--log", log}, false);
    EXPECT_EQ(path_, line.path());
    std::string bad = zarvo::sim::build_frame(".36S");
    bad[bad.size() - 3] = '\xAB';
    for (const auto &[sent, expected] :
         {std::pair{"noise}" + bad, ".-0001ERRO:         02}"},
          std::pair{zarvo::sim::build_frame(".5609"), ".+09000099}"}}) {
        ASSERT_TRUE(line.send(sent));
        EXPECT_EQ(line.receive(std::strlen(expected)), expected);
    }
    sim_->signal(SIGINT);
    EXPECT_EQ(sim_->wait_exit(), 0);
    const std::string text = zarvo::testing::read_file(log);
    EXPECT_NE(text.find("NOISE"), std::string::npos);
    EXPECT_NE(text.find("BAD CHECKSUM | 8 bytes | 1B 2E 33 36 53 AB FF 7D"), std::string::npos)
        << text;
    EXPECT_NE(text.find("TX reply"), std::string::npos);
}

}  // namespace
