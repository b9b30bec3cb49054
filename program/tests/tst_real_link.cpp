// SPDX-License-Identifier: MIT
// The routines through the real link library and serial layer, against the printer simulator.
#include <sys/stat.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <memory>

#include "form1_probe.h"
#include "printer_simulator.h"
#include "window_test.h"

class tst_RealLink : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void printerFoundOnPortOne();
    void portThatDoesNotOpen();
    void replyFileInTheWay_data();
    void replyFileInTheWay();

  private:
    std::unique_ptr<Simulator> simulator_;
    std::unique_ptr<support::ScratchDirectory> scratch_;
};

void tst_RealLink::initTestCase() {
    if (!pseudoTerminalsAvailable()) {
        QSKIP("no pseudo-terminal can be created here (posix_openpt failed)");
    }
    simulator_ = std::make_unique<Simulator>(1, QStringList());
    QVERIFY2(simulator_->started(), qPrintable("printer simulator: " + simulator_->failure()));
    qputenv("API232_PORT2", "/nonexistent/serial-port");
    scratch_ = std::make_unique<support::ScratchDirectory>();
    // The default name, found through this executable's RUNPATH as the program finds it.
    QCOMPARE(core::Module1::libraryFile(), std::string("libZarvo.so.1"));
}

void tst_RealLink::cleanupTestCase() {
    simulator_.reset();
    scratch_.reset();
}

void tst_RealLink::printerFoundOnPortOne() {
    Form1 form;
    Form1Probe probe(form);
    std::int32_t found = -1;
    std::int16_t paper = 1;
    probe.runHandler(core::Handler::Command1_Click, [&] {
        found = probe.Tenta(1);
        QCOMPARE(probe.LastReply().left(2), QStringLiteral(".+"));
        probe.VV(1, 10, ".5609");
        probe.Resultado();
        paper = probe.PaperEnd();
        probe.link().Fecha(1);
    });
    QCOMPARE(found, 0);
    QCOMPARE(probe.PrinterPort(), std::optional<std::int32_t>(1));
    QCOMPARE(probe.ReplySign(), QStringLiteral("+"));
    const QString shown = form.findChild<QLineEdit *>("Text3")->text();
    QVERIFY2(shown.startsWith(".+") && shown.endsWith("}"), qPrintable(shown));
    QCOMPARE(paper, std::int16_t(0));
    QCOMPARE(form.findChild<QLineEdit *>("PAPEL")->text(), QStringLiteral("Com Papel"));
    QVERIFY(form.findChild<QMessageBox *>() == nullptr);
}

void tst_RealLink::portThatDoesNotOpen() {
    Form1 form;
    Form1Probe probe(form);
    std::int32_t found = 0;
    probe.runHandler(core::Handler::Command1_Click, [&] { found = probe.Tenta(2); });
    QCOMPARE(found, -1);
    QCOMPARE(probe.PrinterPort(), std::nullopt);

    // A command on a port that is not open comes back as the write-failure reply.
    probe.runHandler(core::Handler::Command2_Click, [&] {
        probe.VV(0, 3, ".36S");
        probe.Resultado();
    });
    QCOMPARE(form.findChild<QLineEdit *>("Text3")->text(), QStringLiteral("ERRO 98"));
}

void tst_RealLink::replyFileInTheWay_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("reason");
    QTest::newRow("symbolic link") << "link"
                                   << "um link simbólico";  // removed by the library by now
    QTest::newRow("directory not writable")
        << "read-only directory"
        << "a pasta não permite gravar arquivos: Permission denied";
    QTest::newRow("read-only file")
        << "read-only file"
        << "arquivo somente leitura";  // the library removed it: nothing is left to see
}

// The library cannot write RespApf.txt: the window says why, naming the file and the directory,
// even where the library removed the file meanwhile; the answer box shows no earlier reply as this
// one's; nothing is written through a link.
void tst_RealLink::replyFileInTheWay() {
    QFETCH(QString, setup);
    QFETCH(QString, reason);
    BIND_FILE_MODES(modes);
    support::ScratchDirectory scratch;
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
    Form1 form;
    Form1Probe probe(form);
    probe.setLastReply(".+earlier}");
    auto *answer = form.findChild<QLineEdit *>("Text3");
    answer->setText(probe.LastReply());

    form.findChild<QPushButton *>("Command2")->click();  // before any printer test: port 0
    chmod(".", 0700);

    auto *box = form.findChild<QMessageBox *>();
    QVERIFY(box != nullptr);
    QVERIFY2(box->text().contains("não conseguiu gravar a resposta") &&
                 box->text().contains("RespApf.txt"),
             qPrintable(box->text()));
    for (const QString &part : {reason, QDir::currentPath()}) {
        QVERIFY2(box->informativeText().contains(part), qPrintable(box->informativeText()));
    }
    QCOMPARE(answer->text(), QString());
    QCOMPARE(probe.LastReply(), QStringLiteral(".+earlier}"));
    QCOMPARE(contents("target.txt"), earlier);
}

QTEST_MAIN(tst_RealLink)
#include "tst_real_link.moc"
