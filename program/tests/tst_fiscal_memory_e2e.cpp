// SPDX-License-Identifier: MIT
// Fiscal memory readings in the real window, through the link library and the serial layer, from
// the printer simulator on a pseudo-terminal: one case per operator path (how the range boxes
// make the command is the core's tests' part).
#include <time.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "window_test.h"

namespace {

// A small fiscal memory, the same in the simulator serving the line and in the one asked for the
// expected file.
const QStringList kMemory{"--seed", "7", "--reductions", "12"};

/// The bytes that a reading by @p command saves in LeitM.txt, as the simulator computes them.
QByteArray expectedFile(const QString &command) {
    QProcess dump;
    dump.start(ZARVO_SIM_PATH, kMemory + QStringList{"--dump-reading", command});
    dump.waitForFinished(10000);
    return dump.readAllStandardOutput();
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

}  // namespace

class tst_FiscalMemoryE2E : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void readings_data();
    void readings();
};

void tst_FiscalMemoryE2E::initTestCase() {
    SKIP_WITHOUT_PSEUDO_TERMINALS();
    // The default name, found through this executable's RUNPATH as the program finds it.
    QCOMPARE(window::Module1::libraryFile(), std::string("libZarvo.so.1"));
}

void tst_FiscalMemoryE2E::readings_data() {
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("options");    // "date", "file"
    QTest::addColumn<QStringList>("typed");  // into Ini, then Fim
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("after");  // Ini, Fim
    QTest::addColumn<QString>("shown");      // pattern of the answer box at the end
    QTest::addColumn<int>("blocks");         // lines saved: all (-1), the first k, or none (0)

    const QString saved = "Arquivo LeitM.txt gravado";
    QTest::newRow("reduction, file")
        << QStringList() << "file" << QStringList{"3", "9"} << ".1500030009#"
        << QStringList{"0003", "0009"} << saved << -1;
    QTest::newRow("date, printer")
        << QStringList() << "date" << QStringList{"1/1/2008", "31.12.08"} << ".16010108311208"
        << QStringList{"01/01/08", "31/12/08"} << "\\.\\+0000}" << 0;
    // The library waits out its 100 seconds for the block after the line went away.
    QTest::newRow("line closed after block 3")
        << QStringList{"--close-after-block", "3"} << "file" << QStringList() << ".1500011000#"
        << QStringList{"0001", "1000"} << "ERRO 9[89]" << 3;
    QTest::newRow("range refused")
        << QStringList() << "file" << QStringList{"50", "40"} << ".1500500040#"
        << QStringList{"0050", "0040"} << "ERRO 31" << 0;
}

// LeitM.txt (an earlier one is there before) holds the simulator's blocks for the command byte for
// byte, the first k of them, or stays as it was; the boxes and the answer box at the end; the port
// closed.
void tst_FiscalMemoryE2E::readings() {
    QFETCH(QStringList, faults);
    QFETCH(QString, options);
    QFETCH(QStringList, typed);
    QFETCH(QString, command);
    QFETCH(QStringList, after);
    QFETCH(QString, shown);
    QFETCH(int, blocks);

    START_SIMULATOR(simulator, 1, (QStringList{"--print-time", "0"} + kMemory + faults));
    zarvo::testing::ScratchDirectory scratch;
    const QByteArray earlier = "earlier reading\r\n";
    QVERIFY(writeFile("LeitM.txt", earlier));
    FormWindow form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.logic().PrinterPort = 1;  // as a printer test that found it on port 1 leaves it
    const auto box = [&](const char *name) { return form.findChild<QLineEdit *>(name); };
    const auto click = [&](const char *name) {
        QWidget *target = form.findChild<QWidget *>(name);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    };
    if (options.contains("date")) {
        click("Pordata");
    }
    if (options.contains("file")) {
        click("NoArq");
    }
    for (int i = 0; i < typed.size(); ++i) {
        const char *name = i == 0 ? "Ini" : "Fim";
        click(name);
        QTest::keyClick(box(name), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box(name), typed[i]);
    }
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    click("LMF");
    const double cpu = processCpuSeconds() - cpuBefore;
    const double seconds = double(wall.elapsed()) / 1000;

    // A wait for a block that never comes sleeps: a bound against spinning, not a speed target.
    QVERIFY2(cpu < 0.25 * seconds + 3,
             qPrintable(QStringLiteral("%1 s of CPU in %2 s of reading").arg(cpu).arg(seconds)));
    QCOMPARE(QStringList({box("Ini")->text(), box("Fim")->text()}), after);
    QVERIFY2(QRegularExpression("^" + shown + "$").match(box("Text3")->text()).hasMatch(),
             qPrintable(box("Text3")->text()));
    QVERIFY(form.findChild<QMessageBox *>() == nullptr);
    QCOMPARE(form.logic().LinkStatus, 0);  // Fecha's result: the port was closed
    if (blocks == 0) {
        QCOMPARE(contents("LeitM.txt"), earlier);
    } else {
        QByteArray expected = expectedFile(command);
        QVERIFY(expected.count("\r\n") > 3);
        qsizetype end = blocks < 0 ? expected.size() : 0;
        for (int line = 0; line < blocks; ++line) {
            end = expected.indexOf("\r\n", end) + 2;
        }
        expected.truncate(end);
        QCOMPARE(contents("LeitM.txt"), expected);
    }
}

QTEST_MAIN(tst_FiscalMemoryE2E)
#include "tst_fiscal_memory_e2e.moc"
