// SPDX-License-Identifier: MIT
// The fiscal memory frame against the link library double: commands, range boxes and LeitM.txt.
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <csignal>

#include "form1_probe.h"
#include "window_test.h"

namespace {

using Replies = QList<QByteArray>;
const QByteArray kEnd = ".]0003FIM:          00}";
const QByteArray kNotWritten = "<TXRX -1>";  // in a script: the command could not be written
const QByteArray kOld = "an earlier reading, longer than the new one\r\nsecond line\r\n";
const QString kSaved = QStringLiteral("Arquivo LeitM.txt gravado");

}  // namespace

class tst_FiscalMemory : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();
    void command_data();
    void command();
    void typingLimits();
    void savedReading_data();
    void savedReading();
    void fileErrors_data();
    void fileErrors();
    void badInputInEveryBox();

  private:
    QString text(const char *name) const { return box(name)->text(); }
    void click(const char *name) {
        QTest::mouseClick(child(name), Qt::LeftButton, {}, child(name)->rect().center());
    }
    // As the operator types: click into the box, select all, type. One key press per character,
    // a surrogate pair (an emoji) being one character, as a keyboard or an input method sends it.
    void type(const char *name, const QString &text) {
        click(name);
        QTest::keyClick(box(name), Qt::Key_A, Qt::ControlModifier);
        for (const char32_t c : text.toUcs4()) {
            QTest::sendKeyEvent(QTest::Click, box(name), Qt::Key_unknown, QString::fromUcs4(&c, 1),
                                Qt::NoModifier);
        }
    }
    void push(const Replies &replies) {
        for (const QByteArray &reply : replies) {
            reply == kNotWritten ? fake_->pushFile(".-0001ERRO:         98}\r\n", -1)
                                 : fake_->pushReply(reply);
        }
    }
};

void tst_FiscalMemory::initTestCase() {
    useDouble();
}

void tst_FiscalMemory::init() {
    openWindow(Shown::active);
}

void tst_FiscalMemory::cleanup() {
    closeWindow();
}

void tst_FiscalMemory::command_data() {
    QTest::addColumn<QString>("options");    // "date", "file", "port 2"
    QTest::addColumn<QStringList>("typed");  // into Ini, then Fim
    QTest::addColumn<QString>("call");
    QTest::addColumn<QStringList>("during");  // Text3, Ini, Fim while the exchange waits
    QTest::addColumn<QStringList>("after");   // Ini, Fim

    const QString byReduction = "Leitura por Redução...", byDate = "Leitura por Data...";
    QTest::newRow("reduction, printer")
        << "" << QStringList() << "TXRX 0 1000 .1500011000"
        << QStringList{byReduction, "0001", "1000"} << QStringList{"0001", "1000"};
    QTest::newRow("reduction, file")
        << "file" << QStringList() << "TXRX 0 100 .1500011000#"
        << QStringList{"Leitura por Redução em Arquivo ...", "0001", "1000"}
        << QStringList{"0001", "1000"};
    QTest::newRow("date, printer")
        << "date" << QStringList() << "TXRX 0 1000 .16010100301210"
        << QStringList{byDate, "010100", "301210"} << QStringList{"01/01/00", "30/12/10"};
    QTest::newRow("date, file, each box its date")
        << "date file" << QStringList{"1/2/03", "5-6-2007"} << "TXRX 0 100 .16010203050607#"
        << QStringList{"Leitura por Data em Arquivo ...", "010203", "050607"}
        << QStringList{"01/02/03", "05/06/07"};
    QTest::newRow("reduction, 7 and 12 padded, port 2")
        << "port 2" << QStringList{"7", " 12"} << "TXRX 2 1000 .1500070012"
        << QStringList{byReduction, "0007", "0012"} << QStringList{"0007", "0012"};
    QTest::newRow("reduction, no number goes as typed")
        << "" << QStringList{"a 1", "9"} << "TXRX 0 1000 .15a 10009"
        << QStringList{byReduction, "a 1", "0009"} << QStringList{"a 1", "0009"};
    // What has no 8-bit form goes as "?", shown so in the box first; Latin-1 goes as it is.
    QTest::newRow("reduction, euro sign and emoji each become one ?")
        << "" << QStringList{"1€", "😀2"} << "TXRX 0 1000 .151??2"
        << QStringList{byReduction, "1?", "?2"} << QStringList{"1?", "?2"};
    QTest::newRow("date, Latin-1 letters go as they are")
        << "date" << QStringList{"é1/1/08", "ÿ"} << "TXRX 0 1000 .16é1/1/08ÿ"
        << QStringList{byDate, "é1/1/08", "ÿ"} << QStringList{"é1/1/08", "ÿ"};
    QTest::newRow("date, no calendar date goes as typed; six digits read back")
        << "date" << QStringList{"31/02/10", "150308"} << "TXRX 0 1000 .1631/02/10150308"
        << QStringList{byDate, "31/02/10", "150308"} << QStringList{"31/02/10", "15/03/08"};
}

// The command, timeout and port, the progress text and the boxes while the exchange waits, the port
// closed, and the boxes afterwards. Fim, typed last, still has the focus when "Executa" is
// clicked: its rewrite must come before the command is built.
void tst_FiscalMemory::command() {
    QFETCH(QString, options);
    QFETCH(QStringList, typed);
    QFETCH(QString, call);
    QFETCH(QStringList, during);
    QFETCH(QStringList, after);

    const int port = options.contains("port 2") ? 2 : 0;
    Form1Probe(*form_).PrinterPort() = port ? std::optional(port) : std::nullopt;
    if (options.contains("date")) {
        click("Pordata");
    }
    if (options.contains("file")) {
        click("NoArq");
    }
    if (!typed.isEmpty()) {
        type("Ini", typed[0]);
        type("Fim", typed[1]);
    }
    fake_->pushReply(options.contains("file") ? kEnd : ".+0000}");
    fake_->setDelayMs(300);
    QStringList seen;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (seen.isEmpty() && fake_->inTxrx()) {
            seen << text("Text3") << text("Ini") << text("Fim");
        }
    });
    watch.start(10);
    click("LMF");

    const QString p = QString::number(port);
    QCOMPARE(fake_->log(), QStringList({"Abre " + p, call, "Fecha " + p}));
    QCOMPARE(seen, during);
    QCOMPARE(QStringList({text("Ini"), text("Fim")}), after);
    QCOMPARE(text("Text3"), options.contains("file") ? kSaved : QStringLiteral(".+0000}"));
    QCOMPARE(QFile::exists("LeitM.txt"), options.contains("file"));
}

// 4 typed characters in a box that took the focus by reduction, 10 once dates are chosen; back
// to reductions a box keeps 10 until it next takes the focus.
void tst_FiscalMemory::typingLimits() {
    type("Ini", "123456");
    QCOMPARE(text("Ini"), QStringLiteral("1234"));
    QCOMPARE(child<QLineEdit>("Fim")->maxLength(), 32767);
    click("Pordata");
    type("Fim", "01/02/2003x");
    QCOMPARE(text("Fim"), QStringLiteral("01/02/2003"));
    QCOMPARE(child<QLineEdit>("Ini")->maxLength(), 10);
    click("Porredu");
    QCOMPARE(QStringList({text("Ini"), text("Fim")}), QStringList({"0001", "1000"}));
    QCOMPARE(child<QLineEdit>("Fim")->maxLength(), 10);
    type("Fim", "123456");
    QCOMPARE(text("Fim"), QStringLiteral("1234"));
    QCOMPARE(child<QLineEdit>("Ini")->maxLength(), 10);
}

void tst_FiscalMemory::savedReading_data() {
    QTest::addColumn<Replies>("replies");  // then unscripted: the timeout reply
    QTest::addColumn<QByteArray>("file");  // null: LeitM.txt as it was before
    QTest::addColumn<int>("more");         // exchanges with ".++"
    QTest::addColumn<QString>("shown");

    QByteArray high;
    for (int c = 0x80; c <= 0xFF; ++c) {
        high += char(c);
    }
    QTest::newRow("end reply first")
        << Replies{kEnd} << QByteArray("FIM:          00\r\n") << 0 << kSaved;
    QTest::newRow("three blocks in order")
        << Replies{".+0001one}", ".+0002two}", ".+0003three}", kEnd}
        << QByteArray("one\r\ntwo\r\nthree\r\n") << 3 << kSaved;
    QTest::newRow("empty data; ] and + inside; text after }; no }; short reply")
        << Replies{".+0001}", ".+0002a]b+.+c}", ".+0003abc}def}", ".+0004xyz", ".+", kEnd}
        << QByteArray("\r\na]b+.+c\r\nabc\r\nxyz\r\n\r\n") << 5 << kSaved;
    QTest::newRow("bytes 0x80 to 0xFF") << Replies{".+0001" + high + "}", kEnd} << high + "\r\n"
                                        << 1 << kSaved;
    QTest::newRow("refused after two blocks")
        << Replies{".+0001one}", ".+0002two}", ".-0001ERRO:         33}"}
        << QByteArray("one\r\ntwo\r\n") << 2 << "ERRO 33";
    QTest::newRow("no answer after one block")
        << Replies{".+0001one}"} << QByteArray("one\r\n") << 1 << "ERRO 99";
    QTest::newRow("reading refused")
        << Replies{".-0001ERRO:         31}"} << QByteArray() << 0 << "ERRO 31";
    QTest::newRow("reading not answered") << Replies{} << QByteArray() << 0 << "ERRO 99";
    QTest::newRow("reading not written") << Replies{kNotWritten} << QByteArray() << 0 << "ERRO 98";
}

// What LeitM.txt holds (an earlier, longer one is there before), the blocks fetched, the answer
// box, and nothing else left in the directory.
void tst_FiscalMemory::savedReading() {
    QFETCH(Replies, replies);
    QFETCH(QByteArray, file);
    QFETCH(int, more);
    QFETCH(QString, shown);

    QVERIFY(writeFile("LeitM.txt", kOld));
    push(replies);
    click("NoArq");
    click("LMF");

    QCOMPARE(fake_->log().count("TXRX 0 100 .++"), more);
    QCOMPARE(fake_->log().size(), 3 + more);
    QCOMPARE(fake_->log().constLast(), QStringLiteral("Fecha 0"));
    QCOMPARE(text("Text3"), shown);
    QCOMPARE(contents("LeitM.txt"), file.isNull() ? kOld : file);
    QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"LeitM.txt", "RespApf.txt"}));
}

void tst_FiscalMemory::fileErrors_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message");  // in the box's text and detail
    QTest::addColumn<QByteArray>("file");  // LeitM.txt afterwards; null: no file written there

    const QString notSaved = "Não foi possível gravar a leitura|LeitM.txt|";
    QTest::newRow("LeitM.txt is a symbolic link")
        << "link" << notSaved + "link simbólico" << QByteArray();
    QTest::newRow("LeitM.txt is a directory") << "directory" << notSaved + "pasta" << QByteArray();
    QTest::newRow("file size limit") << "limit" << notSaved + "File too large" << kOld;
    QTest::newRow("directory not writable")
        << "read-only" << notSaved + "Permission denied" << kOld;
    QTest::newRow("reply file not written after one block")
        << "reply lost"
        << "não conseguiu gravar a resposta|RespApf.txt|" << QByteArray("one\r\n");
}

// The reading stops with a message box naming the file, the directory and the reason; the port
// is closed, an earlier reading or a link's target is left alone, and the window goes on.
void tst_FiscalMemory::fileErrors() {
    QFETCH(QString, setup);
    QFETCH(QString, message);
    QFETCH(QByteArray, file);

    BIND_FILE_MODES(modes);
    QVERIFY(writeFile("target.txt", kOld));
    QVERIFY(writeFile("RespApf.txt", ""));  // left by an earlier exchange
    if (setup == "link") {
        QVERIFY(QFile::link("target.txt", "LeitM.txt"));
    } else if (setup == "directory") {
        QVERIFY(QDir().mkdir("LeitM.txt"));
    } else {
        QVERIFY(writeFile("LeitM.txt", kOld));
    }
    fake_->pushReply(".+0001one}");
    if (setup == "reply lost") {
        fake_->pushNoFile(-2);
    } else {  // each block fits the size limit alone; LeitM.txt outgrows it at the third
        push({".+0002" + QByteArray(600, 'x') + "}", ".+0003" + QByteArray(600, 'y') + "}", kEnd});
    }
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit unchanged = limit;
    if (setup == "limit") {
        std::signal(SIGXFSZ, SIG_IGN);
        limit.rlim_cur = 1000;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
    }
    if (setup == "read-only") {
        QVERIFY(QFile::setPermissions(".", QFile::ReadOwner | QFile::ExeOwner));
    }
    click("NoArq");
    click("LMF");
    setrlimit(RLIMIT_FSIZE, &unchanged);
    QFile::setPermissions(".", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    auto *box = form_->findChild<QMessageBox *>();
    QVERIFY(box != nullptr);
    const QStringList parts = message.split('|');
    QVERIFY2(box->text().contains(parts[0]), qPrintable(box->text()));
    for (const QString &part : {parts[1], parts[2], QDir::currentPath()}) {
        QVERIFY2(box->informativeText().contains(part), qPrintable(box->informativeText()));
    }
    QCOMPARE(fake_->log().constLast(), QStringLiteral("Fecha 0"));
    QCOMPARE(contents("target.txt"), kOld);
    QCOMPARE(QFileInfo("LeitM.txt").isSymLink() || QFileInfo("LeitM.txt").isDir(), file.isNull());
    if (!file.isNull()) {
        QCOMPARE(contents("LeitM.txt"), file);
    }
    QCOMPARE(QDir().entryList({"LeitM.txt.*"}, QDir::AllEntries | QDir::Hidden), QStringList());

    box->close();
    const qsizetype calls = fake_->log().size();
    click("LMF");
    QVERIFY(fake_->log().size() > calls);
}

// What may be put into any box: a text far longer than the box takes, characters with no 8-bit
// form, control characters. Each box keeps it up to its limit, every button still works, and the
// range boxes send each control character as its own byte and "?" for what has no 8-bit form,
// showing the "?" first.
void tst_FiscalMemory::badInputInEveryBox() {
    const QString piece = QString::fromUtf8("\x01\t\x1b€😀é\x7f");
    const QString pasted = piece.repeated(20000);
    const QList<QLineEdit *> boxes = form_->findChildren<QLineEdit *>();
    QCOMPARE(boxes.size(), 10);
    for (QLineEdit *box : boxes) {
        click(qPrintable(box->objectName()));  // the focus events run as for the operator
        box->selectAll();
        box->insert(pasted);  // as a paste: the box's limit applies
        QVERIFY2(pasted.startsWith(box->text()) && box->text().size() >= 4,
                 qPrintable(box->objectName() + ": " + box->text().left(20)));
    }
    click("NoArq");
    fake_->pushReply(kEnd);
    for (const char *button : {"LMF", "Command1", "Command2", "Command3", "Command4", "LMF"}) {
        click(button);
    }

    QVERIFY(form_->isVisible());
    QVERIFY(form_->findChild<QMessageBox *>() == nullptr);
    const QString shown = QString::fromUtf8("\x01\t\x1b?");
    QCOMPARE(QStringList({text("Ini"), text("Fim")}), QStringList({shown, shown}));
    const fake_call reading = fake_->call(1);
    QCOMPARE(QByteArray(reading.command, reading.count), QByteArray(".15\x01\t\x1b?\x01\t\x1b?#"));
    QCOMPARE(fake_->log().count(QStringLiteral("Fecha 0")), 5);
}

QTEST_MAIN(tst_FiscalMemory)
#include "tst_fiscal_memory.moc"
