// SPDX-License-Identifier: MIT
// Fiscal memory readings in the real window, through the link library and the serial layer, from
// the printer simulator on a pseudo-terminal.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QtTest>

#include <memory>

#include "form1.h"
#include "form1_probe.h"
#include "module1.h"

namespace {

// A small fiscal memory, the same in the simulator serving the line and in the one asked for the
// expected file.
const QStringList kMemory{"--seed", "7", "--reductions", "12"};

/// The printer simulator on a pseudo-terminal, serving port 1 until destroyed.
class Simulator {
  public:
    explicit Simulator(const QStringList &options) {
        process_.start(QStringLiteral(ZARVO_SIM_PATH),
                       QStringList{"--fast", "--print-time", "0"} + kMemory + options);
        if (process_.waitForStarted(10000)) {
            while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
            }
        }
        device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
        qputenv("API232_PORT1", device_.toLocal8Bit());
    }
    ~Simulator() {
        process_.terminate();
        process_.waitForFinished(5000);
    }
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    bool started() const { return device_.startsWith(QLatin1String("/dev/")); }
    QString failure() {
        return QString::fromLocal8Bit(process_.readAllStandardError()) + process_.errorString();
    }

    /// The bytes that a reading by @p command saves in LeitM.txt, as the simulator computes them.
    static QByteArray expectedFile(const QString &command) {
        QProcess dump;
        dump.start(QStringLiteral(ZARVO_SIM_PATH),
                   kMemory + QStringList{"--dump-reading", command});
        dump.waitForFinished(10000);
        return dump.readAllStandardOutput();
    }

  private:
    QProcess process_;
    QString device_;
};

#define START_SIMULATOR(name, options) \
    Simulator name(options);           \
    QVERIFY2(name.started(), qPrintable("printer simulator: " + name.failure()))

QByteArray contents(const QString &name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray firstLines(const QByteArray &text, int count) {
    qsizetype end = 0;
    for (int i = 0; i < count; ++i) {
        end = text.indexOf("\r\n", end) + 2;
    }
    return text.left(end);
}

}  // namespace

class tst_FiscalMemoryE2E : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void readings_data();
    void readings();
    void lineClosedAfterBlock();
    void refusedRange();

  private:
    QLineEdit *box(const char *name) { return form_->findChild<QLineEdit *>(name); }
    void click(const char *name) {
        QWidget *target = form_->findChild<QWidget *>(name);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    }
    void type(const char *name, const QString &text) {
        click(name);
        QTest::keyClick(box(name), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box(name), text);
    }

    std::unique_ptr<ScratchDirectory> scratch_;
    std::unique_ptr<Form1> form_;
};

void tst_FiscalMemoryE2E::initTestCase() {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) {
        QSKIP("no pseudo-terminal can be created here (posix_openpt failed)");
    }
    close(fd);
    // The default name, found through this executable's RUNPATH as the program finds it.
    QCOMPARE(Module1::libraryFile(), QStringLiteral("libZarvo.so"));
}

void tst_FiscalMemoryE2E::init() {
    scratch_ = std::make_unique<ScratchDirectory>();
    form_ = std::make_unique<Form1>();
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    Form1Probe(*form_).PrinterPort() = 1;  // as a printer test that found it on port 1 leaves it
}

void tst_FiscalMemoryE2E::cleanup() {
    QVERIFY(form_->findChild<QMessageBox *>() == nullptr);
    form_.reset();
    scratch_.reset();
}

void tst_FiscalMemoryE2E::readings_data() {
    QTest::addColumn<bool>("byDate");
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<QString>("ini");  // typed; empty: the start value
    QTest::addColumn<QString>("fim");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("boxesAfter");

    QTest::newRow("reduction, to the file") << false << true << "3"
                                            << "9"
                                            << ".1500030009#" << QStringList{"0003", "0009"};
    QTest::newRow("date, to the file") << true << true << ""
                                       << ""
                                       << ".16010100301210#" << QStringList{"01/01/00", "30/12/10"};
    QTest::newRow("reduction, printed") << false << false << ""
                                        << ""
                                        << ".1500011000" << QStringList{"0001", "1000"};
    QTest::newRow("date, printed") << true << false << "1/1/2008"
                                   << "31.12.08"
                                   << ".16010108311208" << QStringList{"01/01/08", "31/12/08"};
}

// The file equals, byte for byte, the blocks the simulator computes for the command.
void tst_FiscalMemoryE2E::readings() {
    QFETCH(bool, byDate);
    QFETCH(bool, toFile);
    QFETCH(QString, ini);
    QFETCH(QString, fim);
    QFETCH(QString, command);
    QFETCH(QStringList, boxesAfter);

    START_SIMULATOR(simulator, {});
    if (byDate) {
        click("Pordata");
    }
    if (toFile) {
        click("NoArq");
    }
    if (!ini.isEmpty()) {
        type("Ini", ini);
        type("Fim", fim);
    }
    click("LMF");

    QCOMPARE(QStringList({box("Ini")->text(), box("Fim")->text()}), boxesAfter);
    QCOMPARE(Form1Probe(*form_).LinkStatus(), 0);  // the port closed
    if (toFile) {
        const QByteArray expected = Simulator::expectedFile(command);
        QVERIFY(expected.count("\r\n") > 2);
        QCOMPARE(contents("LeitM.txt"), expected);
        QCOMPARE(box("Text3")->text(), QStringLiteral("Arquivo LeitM.txt gravado"));
    } else {
        QVERIFY(!QFile::exists("LeitM.txt"));
        QCOMPARE(box("Text3")->text(), QStringLiteral(".+0000}"));
    }
}

// The line goes away after block 3: the three blocks stay in LeitM.txt, the answer box shows the
// library's error, and the window goes on.
void tst_FiscalMemoryE2E::lineClosedAfterBlock() {
    START_SIMULATOR(simulator, QStringList({"--close-after-block", "3"}));
    click("NoArq");
    click("LMF");

    QCOMPARE(contents("LeitM.txt"), firstLines(Simulator::expectedFile(".1500011000#"), 3));
    const QString shown = box("Text3")->text();
    QVERIFY2(shown == QLatin1String("ERRO 99") || shown == QLatin1String("ERRO 98"),
             qPrintable(shown));
}

// A range the printer refuses: its code is shown, and an earlier reading stays as it was.
void tst_FiscalMemoryE2E::refusedRange() {
    START_SIMULATOR(simulator, {});
    QFile earlier("LeitM.txt");
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier reading\r\n");
    earlier.close();
    click("NoArq");
    type("Ini", "50");
    type("Fim", "40");
    click("LMF");

    QCOMPARE(box("Text3")->text(), QStringLiteral("ERRO 31"));
    QCOMPARE(contents("LeitM.txt"), QByteArray("earlier reading\r\n"));
}

QTEST_MAIN(tst_FiscalMemoryE2E)
#include "tst_fiscal_memory_e2e.moc"
