// SPDX-License-Identifier: MIT
// Benchmark of a 50-block fiscal memory reading saved to LeitM.txt, against its wire time.
//
// The real window (offscreen) finds the printer with "Testar Impressora", then reads the fiscal
// memory to the file through libZarvo and libAPI232 from the printer simulator, which paces its
// replies at 9600 bit/s. The bound is the time the line needs for every byte of the reading's
// frames and replies at 960 bytes a second, counted from the simulator's log; the target is an
// elapsed time, plus the wire time of the frames that the pseudo-terminal does not pace, within
// 5 % of it.
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "form1.h"
#include "printer_simulator.h"
#include "scratch_directory.h"

namespace {

constexpr double kBytesPerSecond = 960.0;
constexpr double kTarget = 1.05;
const std::vector<std::string> kMemory{"--reductions", "48", "--blocks", "50"};
const QString kCommand = QStringLiteral(".1500011000#");

[[noreturn]] void fail(const QString &why) {
    std::fprintf(stderr, "zarvo-bench-reading: %s\n", qPrintable(why));
    std::exit(2);
}

struct LineBytes {
    long frames = 0;
    long replies = 0;
};

// The bytes of every frame received and reply sent from the reading command on, as logged.
LineBytes readingBytes(const QString &logFile) {
    QFile log(logFile);
    if (!log.open(QIODevice::ReadOnly)) {
        fail("cannot read the simulator's log " + logFile + ": " + log.errorString());
    }
    static const QRegularExpression bytes(QStringLiteral(" \\| (\\d+) bytes \\| "));
    LineBytes counted;
    bool reading = false;
    for (const QByteArray &raw : log.readAll().split('\n')) {
        const QString line = QString::fromLatin1(raw);
        const bool frame = line.contains(QLatin1String(" RX command "));
        reading = reading || (frame && line.contains('"' + kCommand + '"'));
        const QRegularExpressionMatch match = bytes.match(line);
        if (!reading || !match.hasMatch()) {
            continue;
        }
        (frame ? counted.frames : counted.replies) += match.captured(1).toLong();
    }
    return counted;
}

std::vector<std::string> with(std::vector<std::string> options, const std::string &option,
                              const std::string &value) {
    options.push_back(option);
    options.push_back(value);
    return options;
}

}  // namespace

int main(int argc, char *argv[]) try {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const support::ScratchDirectory work(support::ScratchDirectory::Enter::now, "zarvo-bench");
    const std::string logFile = (work.path() / "sim.log").string();

    support::PrinterSimulator simulator(ZARVO_SIM_PATH, with(kMemory, "--log", logFile));
    if (!simulator.started() || !simulator.serve_port(1)) {
        fail("cannot start the printer simulator: " + QString::fromStdString(simulator.error()));
    }
    qputenv("API232_PORT2", "/nonexistent/serial-port");

    Form1 window;
    window.show();
    window.findChild<QPushButton *>("Command1")->click();
    window.findChild<QRadioButton *>("NoArq")->click();
    const auto start = std::chrono::steady_clock::now();
    window.findChild<QPushButton *>("LMF")->click();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const QString shown = window.findChild<QLineEdit *>("Text3")->text();
    simulator.stop();

    support::PrinterSimulator dump(ZARVO_SIM_PATH,
                                   with(kMemory, "--dump-reading", kCommand.toStdString()));
    const QByteArray expected = QByteArray::fromStdString(dump.output());
    QFile saved(QStringLiteral("LeitM.txt"));
    if (!saved.open(QIODevice::ReadOnly) || saved.readAll() != expected ||
        expected.count("\r\n") != 50) {
        fail("the reading was not saved whole (answer box: \"" + shown + "\")");
    }

    const LineBytes bytes = readingBytes(QString::fromStdString(logFile));
    const double bound = double(bytes.frames + bytes.replies) / kBytesPerSecond;
    // The simulator paces only its replies: the frames reach it at once through the
    // pseudo-terminal. A real line takes their wire time as well, so it is added.
    const double onLine = elapsed.count() + double(bytes.frames) / kBytesPerSecond;
    const double ratio = onLine / bound;
    const bool pass = ratio <= kTarget;
    std::printf("reading of 50 blocks to LeitM.txt, 9600 bit/s\n");
    std::printf("  line bytes: %ld in frames + %ld in replies\n", bytes.frames, bytes.replies);
    std::printf("  wire-time bound at 960 bytes/s: %.3f s\n", bound);
    std::printf("  elapsed, click to end:          %.3f s\n", elapsed.count());
    std::printf("  with the frames' wire time:     %.3f s\n", onLine);
    std::printf("  ratio %.3f (target <= %.2f): %s\n", ratio, kTarget, pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
} catch (const std::exception &error) {
    fail(error.what());
}
