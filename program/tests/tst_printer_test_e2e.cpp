// SPDX-License-Identifier: MIT
// The printer test and the command buttons through the real link library, serial layer and the
// printer simulator on a pseudo-terminal: one case per operator path.
#include <sys/stat.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "window_test.h"

class tst_PrinterTestE2E : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void printerTestFillsEveryBox_data();
    void printerTestFillsEveryBox();
    void summerTimeAndXReading();
    void silentPrinter();
    void portHeldByAnotherProgram();
    void replyFileInTheWay_data();
    void replyFileInTheWay();

  private:
    void click(const char *button) { child<QPushButton>(button)->click(); }
    bool expectError_ = false;  // the test function checks the message box itself
};

void tst_PrinterTestE2E::initTestCase() {
    SKIP_WITHOUT_PSEUDO_TERMINALS();
    // The default name, found through this executable's RUNPATH as the program finds it.
    QCOMPARE(window::Module1::libraryFile(), std::string("libZarvo.so.1"));
}

void tst_PrinterTestE2E::init() {
    qputenv("API232_PORT1", "/nonexistent/serial-port-1");
    qputenv("API232_PORT2", "/nonexistent/serial-port-2");
    openWindow(Shown::hidden);
}

void tst_PrinterTestE2E::cleanup() {
    if (const auto *error = form_->findChild<QMessageBox *>(); error && !expectError_) {
        QFAIL(qPrintable(error->text() + ' ' + error->informativeText()));
    }
    expectError_ = false;
    closeWindow();
}

void tst_PrinterTestE2E::printerTestFillsEveryBox_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("boxes");  // Text1, Text2, COO, CCF, Reducao, LEITX, PAPEL
    QTest::addColumn<QColor>("paperColour");

    QTest::newRow("summer time, reduction due, first X done, no paper")
        << QStringList{"--clock", "0103251430", "--summer", "--reduction", "F",         "--first-x",
                       "--coo",   "4711",       "--ccf",    "815",         "--no-paper"}
        << QStringList{"com 1",       "Horario de Verao 01/03/25 14:30",
                       "004711",      "000815",
                       "Obrigatória", "Efetuada",
                       "Sem Papel"}
        << QColor(Qt::red);
    QTest::newRow("normal time, reduction done")
        << QStringList{"--clock", "3112991159", "--reduction", "S", "--coo", "1", "--ccf", "0"}
        << QStringList{"com 1",    "Horario Normal 31/12/99 11:59",
                       "000001",   "000000",
                       "Efetuada", "Não Efetuada",
                       "Com Papel"}
        << QColor(Qt::black);
}

void tst_PrinterTestE2E::printerTestFillsEveryBox() {
    QFETCH(QStringList, options);
    QFETCH(QStringList, boxes);
    QFETCH(QColor, paperColour);

    START_SIMULATOR(printer, 1, options);
    box("Text3")->setText("before");

    click("Command1");
    const char *names[] = {"Text1", "Text2", "COO", "CCF", "Reducao", "LEITX", "PAPEL"};
    QStringList shown;
    for (const char *name : names) {
        shown << box(name)->text();
    }
    QCOMPARE(shown, boxes);
    QCOMPARE(box("PAPEL")->palette().color(QPalette::Text), paperColour);
    // "Não Efetuada" shows whole, from its beginning, in boxes made for shorter texts.
    for (const char *name : {"Reducao", "LEITX"}) {
        QLineEdit *state = box(name);
        QCOMPARE(state->cursorPosition(), 0);
        QVERIFY(QFontMetrics(state->font()).horizontalAdvance(state->text()) <
                state->contentsRect().width());
    }
    QCOMPARE(box("Text3")->text(), QStringLiteral("before"));
    QCOMPARE(logic().PrinterPort, std::optional<std::int32_t>(1));
}

void tst_PrinterTestE2E::summerTimeAndXReading() {
    START_SIMULATOR(printer, 1,
                    (QStringList{"--clock", "0103251430", "--coo", "100", "--print-time", "0"}));
    struct Step {
        const char *button;
        const char *box;
        QString shown;
    };
    // Each button in turn; the printer test in between reads back what the command changed.
    const Step steps[] = {
        {"Command1", "Text2", "Horario Normal 01/03/25 14:30"},
        {"Command2", "Text3", ".+0000}"},
        {"Command2", "Text3", "ERRO 10"},  // already in summer time
        {"Command1", "Text2", "Horario de Verao 01/03/25 15:30"},
        {"Command3", "Text3", ".+0000}"},
        {"Command3", "Text3", "ERRO 11"},  // not in summer time
        {"Command1", "LEITX", "Não Efetuada"},
        {"Command4", "Text3", ".+0000}"},
        {"Command1", "LEITX", "Efetuada"},
        {"Command1", "COO", "000101"},  // the X reading was a printed document
        {"Command1", "Text2", "Horario Normal 01/03/25 14:30"},
    };
    int index = 0;
    for (const Step &step : steps) {
        click(step.button);
        QVERIFY2(box(step.box)->text() == step.shown,
                 qPrintable(QStringLiteral("step %1, %2: %3 shows \"%4\", expected \"%5\"")
                                .arg(index)
                                .arg(QLatin1String(step.button), QLatin1String(step.box),
                                     box(step.box)->text(), step.shown)));
        ++index;
    }
}

void tst_PrinterTestE2E::silentPrinter() {
    // As after a printer test that found the printer before it fell silent (a silent port in the
    // printer test's search is a case of the core's PrinterTest).
    START_SIMULATOR(printer, 1, {"--silent"});
    logic().PrinterPort = 1;
    QStringList seenWhileWaiting;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] { seenWhileWaiting << box("Text3")->text(); });
    poll.start(100);
    click("Command2");
    poll.stop();
    QCOMPARE(box("Text3")->text(), QStringLiteral("ERRO 99"));
    seenWhileWaiting.removeDuplicates();
    QCOMPARE(seenWhileWaiting, QStringList{QStringLiteral("Entrar em Horário de Verão")});
}

// Another program holds the printer's port (it has the device locked, as the serial layer locks
// it): the printer test and a command button tell that the port is busy, naming it,
// in one box that leaves the window usable; once the other program lets go, the printer is found.
void tst_PrinterTestE2E::portHeldByAnotherProgram() {
    START_SIMULATOR(printer, 1, {});
    const QString device = QString::fromLocal8Bit(qgetenv("API232_PORT1"));
    QProcess holder;
    holder.setProcessChannelMode(QProcess::MergedChannels);
    holder.start("flock", {"--nonblock", "--close", device, "sh", "-c", "echo held; exec cat"});
    if (!holder.waitForStarted(10000)) {
        QSKIP("flock (util-linux) is needed here to hold the port as another program");
    }
    QTRY_VERIFY_WITH_TIMEOUT(holder.canReadLine() || holder.state() == QProcess::NotRunning, 10000);
    QCOMPARE(holder.readLine(), QByteArray("held\n"));

    const QString busy =
        QStringLiteral("A porta 1 não pôde ser aberta: em uso por outro programa.");
    click("Command1");
    QCOMPARE(box("Text2")->text(), QStringLiteral("Impressora não Conectada"));
    auto *notice = form_->findChild<QMessageBox *>();
    QVERIFY(notice != nullptr);
    QCOMPARE(notice->text(), busy);
    QCOMPARE(notice->windowModality(), Qt::NonModal);

    logic().PrinterPort = 1;  // as after a printer test that found it there
    click("Command2");
    QCOMPARE(box("Text3")->text(), QStringLiteral("ERRO 98"));
    QCOMPARE(form_->findChildren<QMessageBox *>(), QList<QMessageBox *>{notice});
    QCOMPARE(notice->text(), busy);
    delete notice;

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    click("Command1");
    QCOMPARE(box("Text1")->text(), QStringLiteral("com 1"));
}

void tst_PrinterTestE2E::replyFileInTheWay_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("reason");
    QTest::newRow("symbolic link") << "link"
                                   << "RespApf.txt é um link simbólico";
    QTest::newRow("directory not writable")
        << "read-only directory"
        << "a pasta não permite gravar arquivos: Permission denied";
    QTest::newRow("read-only file")
        << "read-only file"
        << "o arquivo RespApf.txt não pode ser gravado: Permission denied";
}

// The library cannot write RespApf.txt: the window says why, as the library found it, naming the
// file and the directory, also where the library removed the file meanwhile; the answer box shows
// no earlier reply as this one's; nothing is written through a link.
void tst_PrinterTestE2E::replyFileInTheWay() {
    QFETCH(QString, setup);
    QFETCH(QString, reason);
    BIND_FILE_MODES(modes);
    const QByteArray earlier = ".+earlier}\r\n";
    QVERIFY(writeFile("target.txt", earlier));
    if (setup == QLatin1String("link")) {
        QVERIFY(QFile::link("target.txt", "RespApf.txt"));
    } else if (setup == QLatin1String("read-only file")) {
        QVERIFY(writeFile("RespApf.txt", earlier));
        QVERIFY(QFile::setPermissions("RespApf.txt", QFile::ReadOwner));
    } else {
        QVERIFY(chmod(".", 0500) == 0);
    }
    logic().LastReply = u".+earlier}";
    box("Text3")->setText(".+earlier}");

    click("Command2");  // before any printer test: port 0
    chmod(".", 0700);

    expectError_ = true;
    auto *error = form_->findChild<QMessageBox *>();
    QVERIFY(error != nullptr);
    QVERIFY2(error->text().contains("não conseguiu gravar a resposta") &&
                 error->text().contains("RespApf.txt"),
             qPrintable(error->text()));
    for (const QString &part : {reason, QDir::currentPath()}) {
        QVERIFY2(error->informativeText().contains(part), qPrintable(error->informativeText()));
    }
    QCOMPARE(box("Text3")->text(), QString());
    QVERIFY(logic().LastReply == u".+earlier}");
    QCOMPARE(contents("target.txt"), earlier);
}

QTEST_MAIN(tst_PrinterTestE2E)
#include "tst_printer_test_e2e.moc"
