// SPDX-License-Identifier: MIT
// Tenta, VV, Retorno, Resultado and PaperEnd against the link library double.
#include <QLineEdit>
#include <QtTest>

#include "form1_probe.h"
#include "window_test.h"

namespace {

const QByteArray kTimeoutReply = ".-0001ERRO:         99}";

QByteArray latin1High() {
    QByteArray bytes;
    for (int c = 0x80; c <= 0xFF; ++c) {
        bytes.append(static_cast<char>(c));
    }
    return bytes;
}

}  // namespace

class tst_ExchangeRoutines : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void vvReadsTheReply_data();
    void vvReadsTheReply();
    void resultadoBeforeAnyExchange();
    void vvSendsTheCommand_data();
    void vvSendsTheCommand();
    void tenta_data();
    void tenta();
    void paperEnd_data();
    void paperEnd();
    void paperEndUsesPortZeroBeforeATest();
};

void tst_ExchangeRoutines::initTestCase() {
    useDouble();
}

void tst_ExchangeRoutines::init() {
    openWindow(Shown::hidden);
}

void tst_ExchangeRoutines::cleanup() {
    closeWindow();
}

void tst_ExchangeRoutines::vvReadsTheReply_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("lastReply");
    QTest::addColumn<QString>("replySign");
    QTest::addColumn<QString>("shown");

    const QString accepted = ".+0000000000012345}";
    QTest::newRow("accepted, shown whole") << accepted.toLatin1() + "\r\n"
                                           << accepted << "+" << accepted;
    QTest::newRow("timeout reply") << kTimeoutReply + "\r\n"
                                   << QString(kTimeoutReply) << "-"
                                   << "ERRO 99";
    QTest::newRow("write-failure reply")
        << QByteArray(".-0001ERRO:         98}\r\n") << ".-0001ERRO:         98}"
        << "-"
        << "ERRO 98";
    QTest::newRow("refusal of 21 characters")
        << QByteArray(".-0001ERRO:         7\r\n") << ".-0001ERRO:         7"
        << "-"
        << "ERRO 7";
    QTest::newRow("refusal of 20 characters")
        << QByteArray(".-0001ERRO:         \r\n") << ".-0001ERRO:         "
        << "-"
        << "ERRO ";
    QTest::newRow("one character") << QByteArray(".\r\n") << "."
                                   << ""
                                   << "ERRO ";
    QTest::newRow("empty line") << QByteArray("\r\n") << ""
                                << ""
                                << "ERRO ";
    QTest::newRow("] as sign is no acceptance")
        << QByteArray(".]0001xxxxxxxxxxxxxx42}\r\n") << ".]0001xxxxxxxxxxxxxx42}"
        << "]"
        << "ERRO 42";
    QTest::newRow("the sign is character 2, whatever character 1 is")
        << QByteArray("++\r\n") << "++"
        << "+"
        << "++";
    QTest::newRow("CR inside the reply cuts it") << QByteArray(".+ab\rcd}\r\n") << ".+ab"
                                                 << "+"
                                                 << ".+ab";
    QTest::newRow("lone LF stays in the line") << QByteArray(".-a\nb}\r\n") << ".-a\nb}"
                                               << "-"
                                               << "ERRO ";
    QTest::newRow("no line end at all") << QByteArray(".+12}") << ".+12}"
                                        << "+"
                                        << ".+12}";
    QTest::newRow("text after the first line is ignored")
        << QByteArray(".+1}\r\n.-2}\r\n") << ".+1}"
        << "+"
        << ".+1}";
    QTest::newRow("Latin-1 bytes read back as the same characters")
        << ".+" + latin1High() + "}\r\n"
        << ".+" + QString::fromLatin1(latin1High()) + "}"
        << "+"
        << ".+" + QString::fromLatin1(latin1High()) + "}";
    const QByteArray longReply = ".+" + QByteArray(9000, 'x') + "}";
    QTest::newRow("reply longer than one read") << longReply + "\r\n"
                                                << QString(longReply) << "+" << QString(longReply);
}

void tst_ExchangeRoutines::vvReadsTheReply() {
    QFETCH(QByteArray, file);
    QFETCH(QString, lastReply);
    QFETCH(QString, replySign);
    QFETCH(QString, shown);

    Form1Probe probe(*form_);
    fake_->pushFile(file);
    QCOMPARE(probe.VV(1, 10, ".28"), std::int16_t(0));
    QCOMPARE(probe.LastReply(), lastReply);
    QCOMPARE(probe.ReplySign(), replySign);
    probe.Resultado();
    // The box shows one line; compare what was put into it before the widget's own cleanup.
    if (!shown.contains(QLatin1Char('\n'))) {
        QCOMPARE(box("Text3")->text(), shown);
    }
    QCOMPARE(probe.Retorno(), lastReply);  // reading again gives the same line
}

void tst_ExchangeRoutines::resultadoBeforeAnyExchange() {
    Form1Probe probe(*form_);
    box("Text3")->setText("typed by the operator");
    probe.Resultado();
    QCOMPARE(box("Text3")->text(), QStringLiteral("ERRO "));
    QCOMPARE(fake_->log(), QStringList());
}

void tst_ExchangeRoutines::vvSendsTheCommand_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<int>("txrxResult");

    QTest::newRow("status") << ".28" << QByteArray(".28") << 3 << 0;
    QTest::newRow("reading to file") << ".1500011000#" << QByteArray(".1500011000#") << 100 << 0;
    QTest::newRow("empty command") << "" << QByteArray() << 10 << 0;
    QTest::newRow("Latin-1 characters, one byte each")
        << QString::fromUtf8("ção") << QByteArray("\xE7\xE3o") << 1000 << 0;
    QTest::newRow("other characters become ?")
        << QString::fromUtf8("a€b") << QByteArray("a?b") << 180 << 0;
    QTest::newRow("write failure passed back") << ".13" << QByteArray(".13") << 180 << -1;
}

void tst_ExchangeRoutines::vvSendsTheCommand() {
    QFETCH(QString, command);
    QFETCH(QByteArray, bytes);
    QFETCH(int, timeout);
    QFETCH(int, txrxResult);

    Form1Probe probe(*form_);
    fake_->pushFile(".-0001ERRO:         98}\r\n", txrxResult);
    QCOMPARE(probe.VV(2, timeout, command), std::int16_t(txrxResult));
    // A write failure is no exception: the reply file is read all the same.
    QCOMPARE(probe.LastReply(), QStringLiteral(".-0001ERRO:         98}"));

    const fake_call call = fake_->call(0);
    QCOMPARE(QByteArray(call.function), QByteArray("TXRX"));
    QCOMPARE(call.port, 2);
    QCOMPARE(call.timeout_s, timeout);
    QCOMPARE(call.count, int(bytes.size()));
    QCOMPARE(QByteArray(call.command, call.count), bytes);
    QCOMPARE(call.nul_after, 1);
}

void tst_ExchangeRoutines::tenta_data() {
    QTest::addColumn<int>("abreResult");
    QTest::addColumn<QByteArray>("reply");  // empty: the double's timeout reply
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("printerPort");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("lastReply");
    QTest::addColumn<QString>("replySign");

    const QString accepted = ".+0000}";
    QTest::newRow("accepts") << 0 << accepted.toLatin1() << 0 << 2
                             << QStringList{"Abre 2", "TXRX 2 3 .28"} << accepted << "+";
    QTest::newRow("accepts, Abre above 0")
        << 5 << accepted.toLatin1() << 0 << 2 << QStringList{"Abre 2", "TXRX 2 3 .28"} << accepted
        << "+";
    QTest::newRow("refuses") << 0 << QByteArray(".-0001ERRO:         12}") << -1 << 1
                             << QStringList{"Abre 2", "TXRX 2 3 .28", "Fecha 2"}
                             << ".-0001ERRO:         12}"
                             << "-";
    QTest::newRow("] is no acceptance")
        << 0 << QByteArray(".]0000}") << -1 << 1 << QStringList{"Abre 2", "TXRX 2 3 .28", "Fecha 2"}
        << ".]0000}"
        << "]";
    QTest::newRow("no answer") << 0 << QByteArray() << -1 << 1
                               << QStringList{"Abre 2", "TXRX 2 3 .28", "Fecha 2"}
                               << QString(kTimeoutReply) << "-";
    QTest::newRow("Abre fails") << -1 << accepted.toLatin1() << -1 << 1 << QStringList{"Abre 2"}
                                << "earlier"
                                << "x";
    // The library's 32-bit result is taken by its low 16 bits, as a signed number.
    QTest::newRow("Abre 0x10000 is 0") << 0x10000 << accepted.toLatin1() << 0 << 2
                                       << QStringList{"Abre 2", "TXRX 2 3 .28"} << accepted << "+";
    QTest::newRow("Abre 0x18000 is negative")
        << 0x18000 << accepted.toLatin1() << -1 << 1 << QStringList{"Abre 2"} << "earlier"
        << "x";
}

void tst_ExchangeRoutines::tenta() {
    QFETCH(int, abreResult);
    QFETCH(QByteArray, reply);
    QFETCH(int, result);
    QFETCH(int, printerPort);
    QFETCH(QStringList, calls);
    QFETCH(QString, lastReply);
    QFETCH(QString, replySign);

    Form1Probe probe(*form_);
    probe.LastReply() = "earlier";
    probe.ReplySign() = "x";
    probe.PrinterPort() = 1;
    fake_->setAbreResult(2, abreResult);
    if (!reply.isEmpty()) {
        fake_->pushReply(reply);
    }

    QCOMPARE(probe.Tenta(2), result);
    QCOMPARE(probe.PrinterPort(), std::optional<std::int32_t>(printerPort));
    QCOMPARE(fake_->log(), calls);
    QCOMPARE(probe.LastReply(), lastReply);
    QCOMPARE(probe.ReplySign(), replySign);
}

void tst_ExchangeRoutines::paperEnd_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<int>("result");

    QTest::newRow("5 at position 6")
        << QByteArray(".+0005}") << "Sem Papel" << QColor(Qt::red) << -1;
    QTest::newRow("refused, 5 at position 6")
        << QByteArray(".-0005}") << "Sem Papel" << QColor(Qt::red) << -1;
    QTest::newRow("0 at position 6")
        << QByteArray(".+0000}") << "Com Papel" << QColor(Qt::black) << 0;
    QTest::newRow("5 at position 5")
        << QByteArray(".+0050}") << "Com Papel" << QColor(Qt::black) << 0;
    QTest::newRow("reply of 5 characters")
        << QByteArray(".+005") << "Com Papel" << QColor(Qt::black) << 0;
    QTest::newRow("timeout reply") << kTimeoutReply << "Com Papel" << QColor(Qt::black) << 0;
}

void tst_ExchangeRoutines::paperEnd() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    QFETCH(int, result);

    Form1Probe probe(*form_);
    probe.PrinterPort() = 2;
    probe.ReplySign() = "+";
    QLineEdit *paper = box("PAPEL");
    QPalette blue = paper->palette();
    blue.setColor(QPalette::Text, Qt::blue);
    paper->setPalette(blue);
    fake_->pushReply(reply);

    QCOMPARE(probe.PaperEnd(), std::int16_t(result));
    QCOMPARE(paper->text(), text);
    QCOMPARE(paper->palette().color(QPalette::Text), colour);
    QCOMPARE(probe.LastReply(), QString::fromLatin1(reply));
    QCOMPARE(probe.ReplySign(), QStringLiteral("+"));  // PaperEnd leaves the sign alone
    QCOMPARE(fake_->log(), QStringList{"TXRX 2 10 .23"});
}

void tst_ExchangeRoutines::paperEndUsesPortZeroBeforeATest() {
    Form1Probe probe(*form_);
    fake_->pushReply(".+0000}");
    probe.PaperEnd();
    QCOMPARE(fake_->log(), QStringList{"TXRX 0 10 .23"});
}

QTEST_MAIN(tst_ExchangeRoutines)
#include "tst_exchange_routines.moc"
