// SPDX-License-Identifier: MIT
// A platform failure inside a handler: the handler stops, its ports close, a message box explains.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>

#include "form1_probe.h"
#include "window_test.h"

class tst_HandlerErrors : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void replyFileFailures_data();
    void replyFileFailures();
    void portsClosedAreOnlyThoseLeftOpen();
};

void tst_HandlerErrors::initTestCase() {
    useDouble();
}

void tst_HandlerErrors::init() {
    openWindow(Shown::exposed);
}

void tst_HandlerErrors::cleanup() {
    closeWindow();
}

void tst_HandlerErrors::replyFileFailures_data() {
    QTest::addColumn<QString>("routine");  // "VV" or "PaperEnd"
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("txrxResult");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << "VV"
                             << "" << 0 << "Não foi possível ler a resposta"
                             << "No such file or directory";
    QTest::newRow("missing, PaperEnd") << "PaperEnd"
                                       << "" << 0 << "Não foi possível ler a resposta"
                                       << "No such file or directory";
    QTest::newRow("empty") << "VV"
                           << "empty" << 0 << "Não foi possível ler a resposta"
                           << "o arquivo está vazio";
    QTest::newRow("directory in its place") << "VV"
                                            << "directory" << 0 << "Não foi possível ler a resposta"
                                            << "";
    QTest::newRow("not written, nothing visible") << "VV"
                                                  << "" << -2 << "não conseguiu gravar"
                                                  << "motivo não identificado";
    QTest::newRow("not written, directory") << "VV"
                                            << "directory" << -2 << "não conseguiu gravar"
                                            << "RespApf.txt é uma pasta";
    QTest::newRow("not written, symbolic link") << "VV"
                                                << "symlink" << -2 << "não conseguiu gravar"
                                                << "RespApf.txt é um link simbólico";
    QTest::newRow("not written, read-only directory")
        << "VV"
        << "read-only directory" << -2 << "não conseguiu gravar"
        << "a pasta não permite gravar arquivos: Permission denied";
    QTest::newRow("not written, read-only file")
        << "PaperEnd"
        << "read-only file" << -2 << "não conseguiu gravar"
        << "o arquivo RespApf.txt não pode ser gravado: Permission denied";
}

void tst_HandlerErrors::replyFileFailures() {
    QFETCH(QString, routine);
    QFETCH(QString, setup);
    QFETCH(int, txrxResult);
    QFETCH(QString, summary);
    QFETCH(QString, reason);

    BIND_FILE_MODES(modes);
    if (setup == QLatin1String("empty")) {
        fake_->pushFile(QByteArray(), txrxResult);
    } else {
        if (setup == QLatin1String("directory")) {
            QVERIFY(QDir().mkdir("RespApf.txt"));
        } else if (setup == QLatin1String("symlink")) {
            QVERIFY(QFile::link("elsewhere.txt", "RespApf.txt"));
        } else if (setup == QLatin1String("read-only file")) {
            QVERIFY(writeFile("RespApf.txt", ".+earlier}\r\n"));
            QVERIFY(QFile::setPermissions("RespApf.txt", QFile::ReadOwner));
        } else if (setup == QLatin1String("read-only directory")) {
            QVERIFY(chmod(".", 0500) == 0);
        }
        fake_->pushNoFile(txrxResult);
    }

    Form1Probe probe(*form_);
    probe.setLastReply("earlier");
    probe.setReplySign("x");
    probe.PrinterPort() = 1;
    auto *answer = form_->findChild<QLineEdit *>("Text3");
    answer->setText("earlier");
    bool reachedTheEnd = false;
    probe.runHandler(core::Handler::Command4_Click, [&] {
        probe.link().Abre(1);
        if (routine == QLatin1String("VV")) {
            probe.VV(1, 10, ".28");
        } else {
            probe.PaperEnd();
        }
        reachedTheEnd = true;
    });

    QVERIFY(!reachedTheEnd);
    const QString sent = routine == QLatin1String("VV") ? "TXRX 1 10 .28" : "TXRX 1 10 .23";
    QCOMPARE(fake_->log(), QStringList({"Abre 1", sent, "Fecha 1"}));
    QCOMPARE(probe.LastReply(), QStringLiteral("earlier"));
    QCOMPARE(probe.ReplySign(), QStringLiteral("x"));
    QCOMPARE(probe.PrinterPort(), std::optional<std::int32_t>(1));
    // No earlier reply stays in the answer box as if it were this exchange's.
    QCOMPARE(answer->text(), txrxResult == -2 ? QString() : QStringLiteral("earlier"));

    auto *box = form_->findChild<QMessageBox *>();
    QVERIFY(box != nullptr);
    QVERIFY(box->isVisible());
    QVERIFY2(box->text().contains(summary), qPrintable(box->text()));
    QVERIFY2(box->text().contains("RespApf.txt"), qPrintable(box->text()));
    QVERIFY2(box->informativeText().contains(QDir::currentPath()),
             qPrintable(box->informativeText()));
    QVERIFY2(box->informativeText().contains(reason), qPrintable(box->informativeText()));

    // Dismissed, the window goes on: the next exchange works.
    box->close();
    QTRY_VERIFY(form_->findChild<QMessageBox *>() == nullptr);
    chmod(".", 0700);
    QFile::remove("RespApf.txt");
    QDir().rmdir("RespApf.txt");
    fake_->reset();
    fake_->pushReply(".+next}");
    probe.runHandler(core::Handler::Command4_Click, [&] { probe.VV(1, 10, ".13"); });
    QCOMPARE(probe.LastReply(), QStringLiteral(".+next}"));
    QVERIFY(form_->isVisible());
    QVERIFY(form_->findChild<QMessageBox *>() == nullptr);
}

void tst_HandlerErrors::portsClosedAreOnlyThoseLeftOpen() {
    fake_->setAbreResult(2, -1);
    fake_->pushReply(".+ok}");
    fake_->pushNoFile(-2);  // the second exchange could not write its reply
    Form1Probe probe(*form_);
    probe.runHandler(core::Handler::Command1_Click, [&] {
        probe.link().Abre(1);
        probe.link().Abre(2);  // fails: nothing to close
        probe.link().Abre(3);
        probe.VV(3, 10, ".5609");
        probe.link().Fecha(3);
        probe.VV(1, 10, ".5618");
    });
    QCOMPARE(fake_->log(), QStringList({"Abre 1", "Abre 2", "Abre 3", "TXRX 3 10 .5609", "Fecha 3",
                                        "TXRX 1 10 .5618", "Fecha 1"}));
    QCOMPARE(probe.LastReply(), QStringLiteral(".+ok}"));

    // The next handler starts with no port to answer for.
    fake_->reset();
    probe.runHandler(core::Handler::Command2_Click, [&] { probe.VV(5, 3, ".36S"); });
    QCOMPARE(fake_->log(), QStringList({"TXRX 5 3 .36S"}));
}

QTEST_MAIN(tst_HandlerErrors)
#include "tst_handler_errors.moc"
