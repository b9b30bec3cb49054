// SPDX-License-Identifier: MIT
// Benchmark of a 50-block fiscal memory reading saved to LeitM.txt, against its wire time.
//
// The real window (offscreen) finds the printer with "Testar Impressora", then reads the fiscal
// memory to the file through libZarvo and libAPI232 from the printer simulator, which paces its
// replies at 9600 bit/s. Beside it, in alternating rounds on the same simulator, a plain pyserial
// script makes the same reading (write each frame, read_until "}"). The bound is the time the
// line needs for every byte of the reading's frames and replies at 960 bytes a second, counted
// from the simulator's log. Each elapsed time, plus the wire time of the frames that the
// pseudo-terminal does not pace, is compared with it: the window's ratio is to be at most the
// script's plus 0.005, and within 5 % of the bound.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "printer_simulator.h"
#include "qt/form_window.h"
#include "scratch_directory.h"

using zarvo::window::qt::FormWindow;

namespace {

constexpr double kBytesPerSecond = 960.0;
constexpr double kTarget = 1.05;
constexpr double kLeeway = 0.005;
constexpr int kRounds = 3;
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

// The bytes of every frame received and reply sent by the first reading, as logged: from its
// command up to the next one.
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
        if (frame && line.contains('"' + kCommand + '"')) {
            if (reading) {
                break;
            }
            reading = true;
        }
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

QByteArray readFile(const QString &name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The pyserial script's reading to LeitM.txt in @p directory; its seconds from the first frame to
// the end.
double scriptReading(const std::string &device, const QString &directory) {
    QProcess script;
    script.setWorkingDirectory(directory);
    script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    script.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-I"), QStringLiteral(ZARVO_PYSERIAL_SCRIPT),
                  QStringLiteral("reading"), QString::fromStdString(device), kCommand});
    if (!script.waitForFinished(120000) || script.exitStatus() != QProcess::NormalExit ||
        script.exitCode() != 0) {
        fail(
            "the pyserial script's reading failed (is python3-serial installed? make bench "
            "installs it): " +
            script.errorString());
    }
    bool number = false;
    const double seconds = script.readAllStandardOutput().trimmed().toDouble(&number);
    if (!number) {
        fail("the pyserial script printed no time");
    }
    return seconds;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char *argv[]) try {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const zarvo::testing::ScratchDirectory work("zarvo-bench");
    const std::string logFile = (work.path() / "sim.log").string();

    zarvo::testing::PrinterSimulator simulator(ZARVO_SIM_PATH, with(kMemory, "--log", logFile));
    if (!simulator.started() || !simulator.serve_port(1)) {
        fail("cannot start the printer simulator: " + QString::fromStdString(simulator.error()));
    }
    const std::string device = simulator.device();
    qputenv("API232_PORT2", "/nonexistent/serial-port");

    const QString scriptDir = QString::fromStdString((work.path() / "script").string());
    QDir().mkdir(scriptDir);

    FormWindow window;
    window.show();
    window.findChild<QPushButton *>("Command1")->click();
    window.findChild<QRadioButton *>("NoArq")->click();
    QList<double> windowSeconds, scriptSeconds;
    QList<QByteArray> windowFiles, scriptFiles;
    QString shown;
    for (int round = 0; round < kRounds; ++round) {
        QFile::remove(QStringLiteral("LeitM.txt"));
        const auto start = std::chrono::steady_clock::now();
        window.findChild<QPushButton *>("LMF")->click();
        windowSeconds
            << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        shown = window.findChild<QLineEdit *>("Text3")->text();
        windowFiles << readFile(QStringLiteral("LeitM.txt"));
        QFile::remove(scriptDir + QStringLiteral("/LeitM.txt"));
        scriptSeconds << scriptReading(device, scriptDir);
        scriptFiles << readFile(scriptDir + QStringLiteral("/LeitM.txt"));
    }
    simulator.stop();

    zarvo::testing::PrinterSimulator dump(ZARVO_SIM_PATH,
                                          with(kMemory, "--dump-reading", kCommand.toStdString()));
    const QByteArray expected = QByteArray::fromStdString(dump.output());
    if (expected.count("\r\n") != 50) {
        fail("the simulator's --dump-reading gave no 50-block reading");
    }
    for (int round = 0; round < kRounds; ++round) {
        if (windowFiles[round] != expected) {
            fail("the window's reading was not saved whole (answer box: \"" + shown + "\")");
        }
        if (scriptFiles[round] != expected) {
            fail("the pyserial script's reading was not saved whole");
        }
    }

    const LineBytes bytes = readingBytes(QString::fromStdString(logFile));
    const double bound = double(bytes.frames + bytes.replies) / kBytesPerSecond;
    // The simulator paces only its replies: the frames reach it at once through the
    // pseudo-terminal. A real line takes their wire time as well, so it is added.
    const double framesOnLine = double(bytes.frames) / kBytesPerSecond;
    const double windowRatio = (median(windowSeconds) + framesOnLine) / bound;
    const double scriptRatio = (median(scriptSeconds) + framesOnLine) / bound;
    const bool pass = windowRatio <= scriptRatio + kLeeway && windowRatio <= kTarget;
    std::printf("reading of 50 blocks to LeitM.txt, 9600 bit/s, median of %d rounds\n", kRounds);
    std::printf("  line bytes: %ld in frames + %ld in replies\n", bytes.frames, bytes.replies);
    std::printf("  wire-time bound at 960 bytes/s:  %.3f s\n", bound);
    std::printf(
        "  window, click to end:            %.3f s, with the frames' wire time ratio %.4f\n",
        median(windowSeconds), windowRatio);
    std::printf(
        "  pyserial script, first frame on: %.3f s, with the frames' wire time ratio %.4f\n",
        median(scriptSeconds), scriptRatio);
    std::printf("  difference %+.4f (target <= %+.3f, and the window's ratio <= %.2f): %s\n",
                windowRatio - scriptRatio, kLeeway, kTarget, pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
} catch (const std::exception &error) {
    fail(error.what());
}
