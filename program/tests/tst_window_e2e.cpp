// SPDX-License-Identifier: MIT
// The window through the real link library and serial layer, against the printer simulator on a
// pseudo-terminal: one case per operator path, and the faults only the real pieces make (a port
// another program holds, a reply file the library cannot write, a line that hangs up). How the
// boxes make each command and read each reply is the core's tests' part.
#include <time.h>

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <filesystem>
#include <vector>

#include "file_modes_bind.h"
#include "printer_simulator.h"
#include "pseudo_terminal.h"
#include "qt/blocking_call.h"
#include "window_test.h"

namespace fs = std::filesystem;

namespace {

// A small fiscal memory, the same in the simulator serving the line and in the one asked for the
// expected LeitM.txt.
const QStringList kMemory{"--seed", "7", "--reductions", "12"};

/// The bytes that a reading by @p command saves in LeitM.txt, as the simulator computes them: all
/// of them, or the first @p blocks lines.
QByteArray expectedFile(const QString &command, int blocks = -1) {
    QProcess dump;
    dump.start(ZARVO_SIM_PATH, kMemory + QStringList{"--dump-reading", command});
    dump.waitForFinished(10000);
    QByteArray expected = dump.readAllStandardOutput();
    qsizetype end = blocks < 0 ? expected.size() : 0;
    for (int line = 0; line < blocks; ++line) {
        end = expected.indexOf("\r\n", end) + 2;
    }
    return expected.left(end);
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

std::vector<std::string> simulatorOptions(const QStringList &options) {
    std::vector<std::string> out{"--fast"};
    for (const QString &option : options) {
        out.push_back(option.toStdString());
    }
    return out;
}

/// A FileModesBind on the thread that runs the window's library calls, which keeps capabilities
/// of its own: made and undone there, through a blocking call.
class WorkerFileModesBind {
  public:
    WorkerFileModesBind() {
        zarvo::window::qt::runBlockingCall([this] {
            bind_ = std::make_unique<FileModesBind>();
            return 0;
        });
    }
    ~WorkerFileModesBind() {
        zarvo::window::qt::runBlockingCall([this] {
            bind_.reset();
            return 0;
        });
    }
    const std::string &failure() const { return bind_->failure(); }

  private:
    std::unique_ptr<FileModesBind> bind_;
};

}  // namespace

/// Starts the printer simulator with "--fast" and @p options as @p name, serving the window's
/// port 1, and fails the test function when it gives no device.
#define START_SIMULATOR(name, options)                                                \
    zarvo::testing::PrinterSimulator name(ZARVO_SIM_PATH, simulatorOptions(options)); \
    QVERIFY2(name.serve_port(1),                                                      \
             qPrintable("printer simulator: no device " + QString::fromStdString(name.error())))

class tst_WindowE2E : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void printerTestFillsEveryBox();
    void summerTimeXReadingAndFiscalMemory();
    void readingCutOffByAHangUp();
    void portHeldByAnotherProgram();
    void replyFileInTheWay_data();
    void replyFileInTheWay();
    void printerOnAnAdapterIsFoundThroughTheOffer();

  private:
    /// Ini and Fim, then the answer box.
    QStringList rangeAndAnswer() const {
        return {box("Ini")->text(), box("Fim")->text(), box("Text3")->text()};
    }
    static QByteArray leitM() {
        return QByteArray::fromStdString(zarvo::testing::read_file("LeitM.txt"));
    }
};

void tst_WindowE2E::initTestCase() {
    if (!zarvo::testing::PseudoTerminal(9).ok()) {
        QSKIP("no pseudo-terminal can be created here (openpty failed)");
    }
}

void tst_WindowE2E::init() {
    qputenv("API232_PORT1", "/nonexistent/serial-port-1");
    qputenv("API232_PORT2", "/nonexistent/serial-port-2");
    openWindow();
}

// An error box a test function did not close itself is one the path should not have shown.
void tst_WindowE2E::cleanup() {
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("ZARVO_TEST_SYSFS_ROOT");
    for (const QMessageBox *shown : form_->findChildren<QMessageBox *>()) {
        QVERIFY2(shown->icon() != QMessageBox::Critical,
                 qPrintable(shown->text() + ' ' + shown->informativeText()));
    }
    closeWindow();
}

// Every box the printer test fills, the paper's colour, and texts wider than their boxes shown
// whole from their beginning.
void tst_WindowE2E::printerTestFillsEveryBox() {
    START_SIMULATOR(printer, (QStringList{"--clock", "0103251430", "--summer", "--reduction", "F",
                                          "--coo", "4711", "--ccf", "815", "--no-paper"}));
    click("Command1");
    QStringList shown;
    for (const char *name : {"Text1", "Text2", "COO", "CCF", "Reducao", "LEITX", "PAPEL"}) {
        shown << box(name)->text();
    }
    QCOMPARE(shown, (QStringList{"com 1", "Horario de Verao 01/03/25 14:30", "004711", "000815",
                                 "Obrigatória", "Não Efetuada", "Sem Papel"}));
    QCOMPARE(box("PAPEL")->palette().color(QPalette::Text), QColor(Qt::red));
    for (const char *name : {"Reducao", "LEITX"}) {
        QLineEdit *state = box(name);
        QCOMPARE(state->cursorPosition(), 0);
        QVERIFY(QFontMetrics(state->font()).horizontalAdvance(state->text()) <
                state->contentsRect().width());
    }
}

// Each button in turn against one printer, the printer test in between reading back what the
// command changed; then the fiscal memory by reductions into LeitM.txt (an earlier one there
// before), byte for byte as the simulator computes it, and by dates on the printer, which leaves
// the file alone.
void tst_WindowE2E::summerTimeXReadingAndFiscalMemory() {
    START_SIMULATOR(printer, (QStringList{"--clock", "0103251430", "--print-time", "0"} + kMemory));
    zarvo::testing::write_file("LeitM.txt", "earlier reading\r\n");
    struct Step {
        const char *button, *box, *shown;
    };
    const Step steps[] = {
        {"Command1", "Text2", "Horario Normal 01/03/25 14:30"},
        {"Command2", "Text3", ".+0000}"},
        {"Command1", "Text2", "Horario de Verao 01/03/25 15:30"},
        {"Command3", "Text3", ".+0000}"},
        {"Command1", "Text2", "Horario Normal 01/03/25 14:30"},
        {"Command4", "Text3", ".+0000}"},
        {"Command1", "LEITX", "Efetuada"},
    };
    for (const Step &step : steps) {
        click(step.button);
        const QString at = QStringLiteral("%1: %2 shows ").arg(step.button, step.box);
        QCOMPARE(at + box(step.box)->text(), at + QString::fromUtf8(step.shown));
    }

    click("NoArq");
    type("Ini", "3");
    type("Fim", "9");
    click("LMF");
    QCOMPARE(rangeAndAnswer(), (QStringList{"0003", "0009", "Arquivo LeitM.txt gravado"}));
    const QByteArray saved = expectedFile(".1500030009#");
    QVERIFY(saved.count("\r\n") > 3);
    QCOMPARE(leitM(), saved);

    click("NaImp");
    click("Pordata");
    type("Ini", "1/1/2008");
    type("Fim", "31.12.08");
    click("LMF");
    QCOMPARE(rangeAndAnswer(), (QStringList{"01/01/08", "31/12/08", ".+0000}"}));
    QCOMPARE(leitM(), saved);
}

// The line goes away after the third block of a reading into LeitM.txt: the library waits out
// the block that never comes, asleep, and the window keeps the three blocks and says why.
void tst_WindowE2E::readingCutOffByAHangUp() {
    START_SIMULATOR(printer,
                    (QStringList{"--print-time", "0", "--close-after-block", "3"} + kMemory));
    logic().PrinterPort = 1;  // as a printer test that found it on port 1 leaves it
    click("NoArq");
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    click("LMF");
    const double cpu = processCpuSeconds() - cpuBefore;
    const double seconds = double(wall.elapsed()) / 1000;
    // A bound against spinning, not a speed target.
    QVERIFY2(cpu < 0.25 * seconds + 3,
             qPrintable(QStringLiteral("%1 s of CPU in %2 s of reading").arg(cpu).arg(seconds)));
    QVERIFY2(QRegularExpression("^ERRO 9[89]$").match(box("Text3")->text()).hasMatch(),
             qPrintable(box("Text3")->text()));
    QCOMPARE(rangeAndAnswer().mid(0, 2), (QStringList{"0001", "1000"}));
    QCOMPARE(leitM(), expectedFile(".1500011000#", 3));
}

// Another program holds the printer's port (it has the device locked, as the serial layer locks
// it): the printer test and a command button tell that the port is busy, naming it, in one box
// that leaves the window usable; once the other program lets go, the printer is found.
void tst_WindowE2E::portHeldByAnotherProgram() {
    START_SIMULATOR(printer, {});
    const QString device = QString::fromLocal8Bit(qgetenv("API232_PORT1"));
    QProcess holder;
    holder.setProcessChannelMode(QProcess::MergedChannels);
    holder.start("flock", {"--nonblock", "--close", device, "sh", "-c", "echo held; exec cat"});
    if (!holder.waitForStarted(10000)) {
        QSKIP("flock (util-linux) is needed here to hold the port as another program");
    }
    QTRY_VERIFY_WITH_TIMEOUT(holder.canReadLine() || holder.state() == QProcess::NotRunning, 10000);
    QCOMPARE(holder.readLine(), QByteArray("held\n"));

    click("Command1");
    QCOMPARE(box("Text2")->text(), QStringLiteral("Impressora não Conectada"));
    logic().PrinterPort = 1;  // as after a printer test that found it there
    click("Command2");
    QCOMPARE(box("Text3")->text(), QStringLiteral("ERRO 98"));
    const QList<QMessageBox *> notices = form_->findChildren<QMessageBox *>();
    QCOMPARE(notices.size(), 1);
    QVERIFY(notices[0]->isVisible());
    QCOMPARE(notices[0]->windowModality(), Qt::NonModal);
    QCOMPARE(notices[0]->text(),
             QStringLiteral("A porta 1 não pôde ser aberta: em uso por outro programa."));
    QVERIFY(notices[0]->informativeText().contains("Feche o outro programa"));
    delete notices[0];

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    click("Command1");
    QCOMPARE(box("Text1")->text(), QStringLiteral("com 1"));
}

void tst_WindowE2E::replyFileInTheWay_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("reason");
    QTest::newRow("directory not writable")
        << "read-only directory"
        << "a pasta não permite gravar arquivos: Permission denied";
    QTest::newRow("read-only file")
        << "read-only file"
        << "o arquivo RespApf.txt não pode ser gravado: Permission denied";
}

// File modes keep the library from writing RespApf.txt: a window-modal box says why, as the
// library found it (the file there or only the directory read-only), naming the file and the
// directory, also where the library removed the file meanwhile; the box goes once dismissed.
void tst_WindowE2E::replyFileInTheWay() {
    QFETCH(QString, setup);
    QFETCH(QString, reason);
    // File modes bind the test and the window's library calls, as root too.
    const WorkerFileModesBind modesOnWorker;
    if (!modesOnWorker.failure().empty()) {
        QSKIP(modesOnWorker.failure().c_str());
    }
    if (setup == QLatin1String("read-only file")) {
        zarvo::testing::write_file("RespApf.txt", ".+earlier}\r\n");
        QVERIFY(QFile::setPermissions("RespApf.txt", QFile::ReadOwner));
    } else {
        QVERIFY(chmod(".", 0500) == 0);
    }

    click("Command2");  // before any printer test: port 0
    chmod(".", 0700);

    auto *error = form_->findChild<QMessageBox *>();
    QVERIFY(error != nullptr && error->isVisible());
    QCOMPARE(error->windowModality(), Qt::WindowModal);
    QVERIFY2(error->text().contains("não conseguiu gravar a resposta") &&
                 error->text().contains("RespApf.txt"),
             qPrintable(error->text()));
    for (const QString &part : {reason, QDir::currentPath()}) {
        QVERIFY2(error->informativeText().contains(part), qPrintable(error->informativeText()));
    }
    error->close();
    QTRY_VERIFY(form_->findChild<QMessageBox *>() == nullptr);
}

// A technician's first printer test with the printer on a USB adapter and no environment
// variable: the test fails, the window offers the adapters it sees, one choice makes the printer's
// adapter port 1, and the next test finds the printer: the simulator's pseudo-terminal stands
// behind the FTDI adapter of a recorded sysfs tree.
void tst_WindowE2E::printerOnAnAdapterIsFoundThroughTheOffer() {
    // Nothing names ports 1 and 2 but the ports file, whose devices were unplugged: neither can
    // reach a serial port of this machine.
    qunsetenv("API232_PORT1");
    qunsetenv("API232_PORT2");
    const fs::path config = scratch_->path() / "config", tree = scratch_->path() / "root";
    fs::create_directories(config / "zarvo");
    zarvo::testing::write_file(
        config / "zarvo/ports",
        "1 = " + (config / "gone-1").string() + "\n2 = " + (config / "gone-2").string() + "\n");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.string()));
    zarvo::testing::PrinterSimulator printer(ZARVO_SIM_PATH, simulatorOptions({"--coo", "4711"}));
    QVERIFY2(!printer.device().empty(), "printer simulator: no device");
    fs::copy(fs::path(SYSFS_TREES) / "pc", tree,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::remove(tree / "dev/ttyUSB0");
    fs::create_symlink(printer.device(), tree / "dev/ttyUSB0");
    qputenv("ZARVO_TEST_SYSFS_ROOT", QByteArray::fromStdString(tree.string()));

    click("Command1");
    QCOMPARE(box("Text2")->text(), QStringLiteral("Impressora não Conectada"));
    auto *dialog = form_->findChild<QDialog *>(QStringLiteral("choiceDialog"));
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->isModal() || dialog->windowModality() == Qt::WindowModal);
    auto *list = dialog->findChild<QListWidget *>(QStringLiteral("choices"));
    const auto adapter = list->findItems(QStringLiteral("FTDI FT232R USB UART"), Qt::MatchContains);
    QCOMPARE(adapter.size(), 1);
    list->setCurrentItem(adapter[0]);
    dialog->findChild<QDialogButtonBox *>()->buttons().at(0)->click();  // "Usar como porta 1"
    QTRY_VERIFY(form_->findChild<QMessageBox *>() != nullptr &&
                form_->findChild<QMessageBox *>()->text().startsWith("A porta 1 agora é"));

    click("Command1");
    QCOMPARE(QStringList({box("Text1")->text(), box("COO")->text()}),
             QStringList({"com 1", "004711"}));
}

QTEST_MAIN(tst_WindowE2E)
#include "tst_window_e2e.moc"
