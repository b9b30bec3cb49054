// SPDX-License-Identifier: MIT
// The printer test, summer-time and X-reading buttons against the link library double.
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "form1_probe.h"
#include "window_test.h"

namespace {

const QByteArray kTimeoutReply = ".-0001ERRO:         99}";
const QByteArray kPaper = ".+0000}";
const char *const kBoxesLeftAlone[] = {"Text1", "COO", "CCF", "Reducao", "LEITX", "PAPEL", "Text3"};

// A reply to ".28" of 125 characters: reduction at 18, clock ddmmyyhhmm at 44, summer time at 54,
// first X reading at 124.
QByteArray status(const QByteArray &clock, char summer, char reduction, char firstX) {
    QByteArray reply(125, '0');
    reply[0] = '.';
    reply[1] = '+';
    reply[17] = reduction;
    reply.replace(43, 10, clock);
    reply[53] = summer;
    reply[123] = firstX;
    reply[124] = '}';
    return reply;
}

const QByteArray kStatus = status("0103251430", 'N', 'S', 'N');
const QStringList kExchangesOnPort1 = {"TXRX 1 10 .5609", "TXRX 1 10 .5618", "TXRX 1 10 .28",
                                       "TXRX 1 10 .23", "Fecha 1"};
const QStringList kExchangesOnPort2 = {"TXRX 2 10 .5609", "TXRX 2 10 .5618", "TXRX 2 10 .28",
                                       "TXRX 2 10 .23", "Fecha 2"};

}  // namespace

class tst_PrinterTest : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void portSearch_data();
    void portSearch();
    void commandButtons_data();
    void commandButtons();

  private:
    void click(const QString &button) { form_->findChild<QPushButton *>(button)->click(); }
    /// The box telling which ports did not open: its text, or empty when there is none. It must
    /// leave the window usable, and there is never more than one.
    QString portNotice() {
        const QList<QMessageBox *> boxes = form_->findChildren<QMessageBox *>();
        if (boxes.isEmpty()) {
            return {};
        }
        if (boxes.size() > 1 || !boxes[0]->isVisible() ||
            boxes[0]->windowModality() != Qt::NonModal) {
            return QStringLiteral("<%1 boxes, or one not shown or modal>").arg(boxes.size());
        }
        return boxes[0]->text();
    }
};

void tst_PrinterTest::initTestCase() {
    useDouble();
}

void tst_PrinterTest::init() {
    openWindow(Shown::hidden);
}

void tst_PrinterTest::cleanup() {
    closeWindow();
}

void tst_PrinterTest::portSearch_data() {
    QTest::addColumn<int>("abre1");
    QTest::addColumn<int>("abre2");
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<int>("printerPort");  // 0: none
    QTest::addColumn<QString>("text1");    // empty: left alone, as every box but Text2
    QTest::addColumn<QString>("text2");
    QTest::addColumn<QString>("lastReply");
    QTest::addColumn<QString>("replySign");
    QTest::addColumn<QString>("notice");  // the box telling a port that did not open; empty: none

    const QList<QByteArray> printer = {kStatus, ".+09004711}", ".+18000815}", kStatus, kPaper};
    const QString clock = "Horario Normal 01/03/25 14:30";
    QTest::newRow("on port 1: port 2 is never tried")
        << 0 << 0 << printer << QStringList{"Abre 1", "TXRX 1 3 .28"} + kExchangesOnPort1 << 1
        << "com 1" << clock << QString(kPaper) << "+"
        << "";
    QTest::newRow("on port 2: port 1 answers nothing and is closed")
        << 0 << 0 << QList<QByteArray>{kTimeoutReply} + printer
        << QStringList{"Abre 1", "TXRX 1 3 .28", "Fecha 1", "Abre 2", "TXRX 2 3 .28"} +
               kExchangesOnPort2
        << 2 << "com 2" << clock << QString(kPaper) << "+"
        << "";
    QTest::newRow("on port 2: port 1 refuses and is closed")
        << 0 << 0 << QList<QByteArray>{".-0001ERRO:         01}"} + printer
        << QStringList{"Abre 1", "TXRX 1 3 .28", "Fecha 1", "Abre 2", "TXRX 2 3 .28"} +
               kExchangesOnPort2
        << 2 << "com 2" << clock << QString(kPaper) << "+"
        << "";
    QTest::newRow("on port 2: port 1 does not open")
        << -1 << 0 << printer << QStringList{"Abre 1", "Abre 2", "TXRX 2 3 .28"} + kExchangesOnPort2
        << 2 << "com 2" << clock << QString(kPaper) << "+"
        << "";
    QTest::newRow("no printer: earlier port kept, only Text2 changes")
        << 0 << 0 << QList<QByteArray>{}
        << QStringList{"Abre 1", "TXRX 1 3 .28", "Fecha 1", "Abre 2", "TXRX 2 3 .28", "Fecha 2"}
        << 2 << ""
        << "Impressora não Conectada" << QString(kTimeoutReply) << "-"
        << "";
    QTest::newRow("no printer, no port opens: last reply kept")
        << -1 << -1 << QList<QByteArray>{} << QStringList{"Abre 1", "Abre 2"} << 2 << ""
        << "Impressora não Conectada"
        << "earlier"
        << "-"
        << "";
    // A busy port or one without permission is told; a missing device is the search's usual
    // answer and is not.
    QTest::newRow("port 1 busy, no device on port 2")
        << -6 << -4 << QList<QByteArray>{} << QStringList{"Abre 1", "Abre 2"} << 2 << ""
        << "Impressora não Conectada"
        << "earlier"
        << "-"
        << "A porta 1 não pôde ser aberta: em uso por outro programa.";
    QTest::newRow("port 1 without permission, printer on port 2")
        << -5 << 0 << printer << QStringList{"Abre 1", "Abre 2", "TXRX 2 3 .28"} + kExchangesOnPort2
        << 2 << "com 2" << clock << QString(kPaper) << "+"
        << "A porta 1 não pôde ser aberta: sem permissão: o usuário precisa "
           "pertencer ao grupo dialout.";
}

void tst_PrinterTest::portSearch() {
    QFETCH(int, abre1);
    QFETCH(int, abre2);
    QFETCH(QList<QByteArray>, replies);
    QFETCH(QStringList, calls);
    QFETCH(int, printerPort);
    QFETCH(QString, text1);
    QFETCH(QString, text2);
    QFETCH(QString, lastReply);
    QFETCH(QString, replySign);
    QFETCH(QString, notice);

    Form1Probe probe(*form_);
    probe.PrinterPort() = 2;  // found by an earlier test
    probe.setLastReply("earlier");
    probe.setReplySign("+");
    for (const char *name : kBoxesLeftAlone) {
        box(name)->setText("before");
    }
    fake_->setAbreResult(1, abre1);
    fake_->setAbreResult(2, abre2);
    for (const QByteArray &reply : replies) {
        fake_->pushReply(reply);
    }

    click("Command1");
    QCOMPARE(fake_->log(), calls);
    QCOMPARE(probe.PrinterPort(), std::optional<std::int32_t>(printerPort));
    QCOMPARE(box("Text2")->text(), text2);
    QCOMPARE(probe.LastReply(), lastReply);
    QCOMPARE(probe.ReplySign(), replySign);
    QCOMPARE(portNotice(), notice);
    QCOMPARE(box("Text3")->text(), QStringLiteral("before"));
    if (text1.isEmpty()) {
        for (const char *name : kBoxesLeftAlone) {
            QCOMPARE(box(name)->text(), QStringLiteral("before"));
        }
    } else {
        QCOMPARE(box("Text1")->text(), text1);
    }
}

void tst_PrinterTest::commandButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("printerPort");  // 0: no printer test yet
    QTest::addColumn<int>("abreResult");
    QTest::addColumn<QByteArray>("reply");  // empty: the double's timeout reply
    QTest::addColumn<QString>("progress");
    QTest::addColumn<QString>("exchange");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("notice");  // the box telling a port that did not open; empty: none

    const QString enter = "Entrar em Horário de Verão";
    const QString leave = "Sair do Horário de Verão";
    QTest::newRow("enter summer time, accepted")
        << "Command2" << 2 << 0 << QByteArray(".+0000}") << enter << "TXRX 2 3 .36S"
        << ".+0000}"
        << "";
    QTest::newRow("leave summer time, refused")
        << "Command3" << 1 << 0 << QByteArray(".-0001ERRO:         11}") << leave << "TXRX 1 3 .36N"
        << "ERRO 11"
        << "";
    QTest::newRow("X reading, no answer") << "Command4" << 2 << 0 << QByteArray() << "Leitura X"
                                          << "TXRX 2 180 .13"
                                          << "ERRO 99"
                                          << "";
    QTest::newRow("X reading, accepted")
        << "Command4" << 1 << 0 << QByteArray(".+0000}") << "Leitura X"
        << "TXRX 1 180 .13"
        << ".+0000}"
        << "";
    QTest::newRow("Abre fails: exchange and Fecha all the same")
        << "Command2" << 2 << -1 << QByteArray(".-0001ERRO:         98}") << enter
        << "TXRX 2 3 .36S"
        << "ERRO 98"
        << "";
    QTest::newRow("before any printer test: port 0")
        << "Command3" << 0 << -1 << QByteArray(".-0001ERRO:         98}") << leave
        << "TXRX 0 3 .36N"
        << "ERRO 98"
        << "";
    QTest::newRow("port busy: told, and the exchange all the same")
        << "Command2" << 1 << -6 << QByteArray(".-0001ERRO:         98}") << enter
        << "TXRX 1 3 .36S"
        << "ERRO 98"
        << "A porta 1 não pôde ser aberta: em uso por outro programa.";
    QTest::newRow("device gone since the printer test: told")
        << "Command4" << 2 << -4 << QByteArray(".-0001ERRO:         98}") << "Leitura X"
        << "TXRX 2 180 .13"
        << "ERRO 98"
        << "A porta 2 não pôde ser aberta: o dispositivo não existe.";
}

void tst_PrinterTest::commandButtons() {
    QFETCH(QString, button);
    QFETCH(int, printerPort);
    QFETCH(int, abreResult);
    QFETCH(QByteArray, reply);
    QFETCH(QString, progress);
    QFETCH(QString, exchange);
    QFETCH(QString, shown);
    QFETCH(QString, notice);

    Form1Probe probe(*form_);
    if (printerPort != 0) {
        probe.PrinterPort() = printerPort;
    }
    fake_->setAbreResult(printerPort, abreResult);
    if (!reply.isEmpty()) {
        fake_->pushReply(reply);
    }
    box("Text3")->setText("before");

    // What Text3 shows while the double is inside TXRX.
    fake_->setDelayMs(300);
    QStringList seenDuringExchange;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (fake_->inTxrx()) {
            seenDuringExchange << box("Text3")->text();
        }
    });
    poll.start(10);
    click(button);
    poll.stop();

    const QString port = QString::number(printerPort);
    QCOMPARE(fake_->log(), QStringList({"Abre " + port, exchange, "Fecha " + port}));
    seenDuringExchange.removeDuplicates();
    QCOMPARE(seenDuringExchange, QStringList{progress});
    QCOMPARE(box("Text3")->text(), shown);
    QCOMPARE(portNotice(), notice);
    // Pressed again, the same box tells again: one box, not a pile.
    fake_->setDelayMs(0);
    click(button);
    QCOMPARE(portNotice(), notice);
}

QTEST_MAIN(tst_PrinterTest)
#include "tst_printer_test.moc"
