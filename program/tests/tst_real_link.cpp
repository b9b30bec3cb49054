// SPDX-License-Identifier: MIT
// The routines through the real link library and serial layer, against the printer simulator.
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QtTest>

#include <memory>

#include "form1.h"
#include "form1_probe.h"
#include "module1.h"

class tst_RealLink : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void printerFoundOnPortOne();
    void portThatDoesNotOpen();

  private:
    QProcess simulator_;
    std::unique_ptr<ScratchDirectory> scratch_;
};

void tst_RealLink::initTestCase() {
    simulator_.start(QStringLiteral(ZARVO_SIM_PATH), {"--fast"});
    if (!simulator_.waitForStarted(10000)) {
        QSKIP(qPrintable("cannot start the printer simulator: " + simulator_.errorString()));
    }
    QTRY_VERIFY_WITH_TIMEOUT(simulator_.canReadLine(), 10000);
    const QString device = QString::fromLocal8Bit(simulator_.readLine()).trimmed();
    QVERIFY2(device.startsWith("/dev/"), qPrintable(device));
    qputenv("API232_PORT1", device.toLocal8Bit());
    qputenv("API232_PORT2", "/nonexistent/serial-port");
    scratch_ = std::make_unique<ScratchDirectory>();
    // The default name, found through this executable's RUNPATH as the program finds it.
    QCOMPARE(Module1::libraryFile(), QStringLiteral("libZarvo.so"));
}

void tst_RealLink::cleanupTestCase() {
    simulator_.terminate();
    simulator_.waitForFinished(5000);
    scratch_.reset();
}

void tst_RealLink::printerFoundOnPortOne() {
    Form1 form;
    Form1Probe probe(form);
    std::int32_t found = -1;
    std::int16_t paper = 1;
    probe.runHandler("Command1_Click", [&] {
        found = probe.Tenta(1);
        QCOMPARE(probe.LastReply().left(2), QStringLiteral(".+"));
        probe.VV(1, 10, ".5609");
        probe.Resultado();
        paper = probe.PaperEnd();
        Module1::Fecha(1);
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
    probe.runHandler("Command1_Click", [&] { found = probe.Tenta(2); });
    QCOMPARE(found, -1);
    QCOMPARE(probe.PrinterPort(), std::nullopt);

    // A command on a port that is not open comes back as the write-failure reply.
    probe.runHandler("Command2_Click", [&] {
        probe.VV(0, 3, ".36S");
        probe.Resultado();
    });
    QCOMPARE(form.findChild<QLineEdit *>("Text3")->text(), QStringLiteral("ERRO 98"));
}

QTEST_MAIN(tst_RealLink)
#include "tst_real_link.moc"
