// SPDX-License-Identifier: MIT
// The fiscal memory frame against the link library double: commands, range boxes and LeitM.txt.
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <memory>

#include "fake_library.h"
#include "form1.h"
#include "form1_probe.h"
#include "module1.h"

namespace {

const QByteArray kEndReply = ".]0003FIM:          00}";
const QByteArray kOldReading = "an earlier reading, longer than the new one\r\nsecond line\r\n";
const QString kSaved = QStringLiteral("Arquivo LeitM.txt gravado");
// In a script of replies: TXRX finds the command unwritable (result -1, the 98 reply).
const QByteArray kNotWritten = "<not written>";

QByteArray latin1High() {
    QByteArray bytes;
    for (int c = 0x80; c <= 0xFF; ++c) {
        bytes.append(static_cast<char>(c));
    }
    return bytes;
}

QByteArray contents(const QString &name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class tst_FiscalMemory : public QObject {
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

  private:
    template <typename T = QWidget>
    T *child(const char *name) const {
        return form_->findChild<T *>(QLatin1String(name));
    }
    void click(const char *name) {
        QWidget *target = child(name);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    }
    // Types into a box as the operator would: click into it, select all, type.
    void type(const char *box, const QString &text) {
        click(box);
        QTest::keyClick(child(box), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(child(box), text);
    }
    QString text(const char *box) const { return child<QLineEdit>(box)->text(); }
    int count(const QString &call) const { return int(fake_->log().count(call)); }
    void push(const QList<QByteArray> &replies) {
        for (const QByteArray &reply : replies) {
            if (reply == kNotWritten) {
                fake_->pushFile(".-0001ERRO:         98}\r\n", -1);
            } else {
                fake_->pushReply(reply);
            }
        }
    }

    std::unique_ptr<FakeLibrary> fake_;
    std::unique_ptr<ScratchDirectory> scratch_;
    std::unique_ptr<Form1> form_;
};

void tst_FiscalMemory::initTestCase() {
    Module1::setLibraryFile(FakeLibrary::path());
    fake_ = std::make_unique<FakeLibrary>();
}

void tst_FiscalMemory::init() {
    fake_->reset();
    scratch_ = std::make_unique<ScratchDirectory>();
    form_ = std::make_unique<Form1>();
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void tst_FiscalMemory::cleanup() {
    form_.reset();
    scratch_.reset();
}

void tst_FiscalMemory::command_data() {
    QTest::addColumn<bool>("byDate");
    QTest::addColumn<bool>("toFile");
    QTest::addColumn<int>("printerPort");  // 0: no printer test has run
    QTest::addColumn<QString>("ini");      // typed; empty: left as the program set it
    QTest::addColumn<QString>("fim");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("progress");
    QTest::addColumn<QStringList>("boxesDuring");
    QTest::addColumn<QStringList>("boxesAfter");

    const QStringList numbers{"0001", "1000"};
    const QStringList dates{"01/01/00", "30/12/10"};
    const QStringList sixDigits{"010100", "301210"};
    QTest::newRow("reduction, printer, start values")
        << false << false << 0 << ""
        << ""
        << ".1500011000"
        << "Leitura por Redução..." << numbers << numbers;
    QTest::newRow("reduction, file, start values")
        << false << true << 0 << ""
        << ""
        << ".1500011000#"
        << "Leitura por Redução em Arquivo ..." << numbers << numbers;
    QTest::newRow("date, printer, start values") << true << false << 0 << ""
                                                 << ""
                                                 << ".16010100301210"
                                                 << "Leitura por Data..." << sixDigits << dates;
    QTest::newRow("date, file, start values")
        << true << true << 0 << ""
        << ""
        << ".16010100301210#"
        << "Leitura por Data em Arquivo ..." << sixDigits << dates;
    QTest::newRow("reduction, 7 and 12 padded, port of the printer test")
        << false << false << 2 << "7"
        << "12"
        << ".1500070012"
        << "Leitura por Redução..." << QStringList{"0007", "0012"} << QStringList{"0007", "0012"};
    QTest::newRow("reduction, text that is no number goes as typed")
        << false << true << 1 << "a 1"
        << " 9 "
        << ".15a 10009#"
        << "Leitura por Redução em Arquivo ..." << QStringList{"a 1", "0009"}
        << QStringList{"a 1", "0009"};
    QTest::newRow("date, each box its own date")
        << true << true << 0 << "1/2/03"
        << "5-6-2007"
        << ".16010203050607#"
        << "Leitura por Data em Arquivo ..." << QStringList{"010203", "050607"}
        << QStringList{"01/02/03", "05/06/07"};
    QTest::newRow("date, no calendar date goes as typed")
        << true << false << 0 << "31/02/10"
        << ""
        << ".1631/02/10301210"
        << "Leitura por Data..." << QStringList{"31/02/10", "301210"}
        << QStringList{"31/02/10", "30/12/10"};
    QTest::newRow("date, six digits typed read back as a date")
        << true << false << 0 << "150308"
        << ""
        << ".16150308301210"
        << "Leitura por Data..." << QStringList{"150308", "301210"}
        << QStringList{"15/03/08", "30/12/10"};
}

// The command, timeout and port of each mode and destination, the progress text and the boxes
// while the exchange waits, the port closed, and the boxes afterwards. The range box typed last
// still has the focus when "Executa" is clicked, so its rewrite must come before the command.
void tst_FiscalMemory::command() {
    QFETCH(bool, byDate);
    QFETCH(bool, toFile);
    QFETCH(int, printerPort);
    QFETCH(QString, ini);
    QFETCH(QString, fim);
    QFETCH(QString, command);
    QFETCH(QString, progress);
    QFETCH(QStringList, boxesDuring);
    QFETCH(QStringList, boxesAfter);

    if (printerPort != 0) {
        Form1Probe(*form_).PrinterPort() = printerPort;
    }
    if (byDate) {
        click("Pordata");
    }
    if (toFile) {
        click("NoArq");
    }
    if (!ini.isEmpty()) {
        type("Ini", ini);
    }
    if (!fim.isEmpty()) {
        type("Fim", fim);
    }
    fake_->pushReply(toFile ? kEndReply : ".+0000}");
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

    const QString port = QString::number(printerPort);
    const QString timeout = toFile ? "100" : "1000";
    QCOMPARE(fake_->log(),
             QStringList({"Abre " + port, "TXRX " + port + " " + timeout + " " + command,
                          "Fecha " + port}));
    QCOMPARE(seen, QStringList{progress} + boxesDuring);
    QCOMPARE(QStringList({text("Ini"), text("Fim")}), boxesAfter);
    QCOMPARE(text("Text3"), toFile ? kSaved : QStringLiteral(".+0000}"));
    QCOMPARE(QFile::exists("LeitM.txt"), toFile);
}

// Typing is bounded, 4 characters in a box that took the focus by reduction, 10 once dates are
// chosen; going back to reductions keeps 10 in a box until it next takes the focus.
void tst_FiscalMemory::typingLimits() {
    auto *ini = child<QLineEdit>("Ini");
    auto *fim = child<QLineEdit>("Fim");
    type("Ini", "123456");
    QCOMPARE(ini->text(), QStringLiteral("1234"));
    QCOMPARE(fim->maxLength(), 32767);

    click("Pordata");
    QCOMPARE(ini->maxLength(), 10);
    QCOMPARE(fim->maxLength(), 10);
    QCOMPARE(ini->text(), QStringLiteral("01/01/00"));
    type("Fim", "01/02/2003x");
    QCOMPARE(fim->text(), QStringLiteral("01/02/2003"));

    click("Porredu");
    QCOMPARE(ini->text(), QStringLiteral("0001"));
    QCOMPARE(fim->text(), QStringLiteral("1000"));
    QCOMPARE(ini->maxLength(), 10);
    QCOMPARE(fim->maxLength(), 10);
    type("Fim", "123456");
    QCOMPARE(fim->text(), QStringLiteral("1234"));
    QCOMPARE(ini->maxLength(), 10);
}

void tst_FiscalMemory::savedReading_data() {
    QTest::addColumn<QList<QByteArray>>("replies");  // unscripted TXRX: the timeout reply
    QTest::addColumn<bool>("earlierFile");
    QTest::addColumn<QByteArray>("file");  // null: LeitM.txt as it was before
    QTest::addColumn<int>("more");         // exchanges with ".++"
    QTest::addColumn<QString>("shown");

    const QByteArray high = latin1High();
    QTest::newRow("end reply first") << QList<QByteArray>{kEndReply} << true
                                     << QByteArray("FIM:          00\r\n") << 0 << kSaved;
    QTest::newRow("one block") << QList<QByteArray>{".+0001abc}", kEndReply} << true
                               << QByteArray("abc\r\n") << 1 << kSaved;
    QTest::newRow("three blocks in order")
        << QList<QByteArray>{".+0001one}", ".+0002two}", ".+0003three}", kEndReply} << false
        << QByteArray("one\r\ntwo\r\nthree\r\n") << 3 << kSaved;
    QTest::newRow("empty data, ] and + inside, text after }, no }, short reply")
        << QList<QByteArray>{".+0001}", ".+0002a]b+.+c}", ".+0003abc}def}", ".+0004xyz",
                             ".+",      kEndReply}
        << true << QByteArray("\r\na]b+.+c\r\nabc\r\nxyz\r\n\r\n") << 5 << kSaved;
    QTest::newRow("bytes 0x80 to 0xFF")
        << QList<QByteArray>{".+0001" + high + "}", kEndReply} << true << high + "\r\n"
        << 1 << kSaved;
    QTest::newRow("refused after two blocks")
        << QList<QByteArray>{".+0001one}", ".+0002two}", ".-0001ERRO:         33}"} << true
        << QByteArray("one\r\ntwo\r\n") << 2 << "ERRO 33";
    QTest::newRow("no answer after one block")
        << QList<QByteArray>{".+0001one}"} << true << QByteArray("one\r\n") << 1 << "ERRO 99";
    QTest::newRow("reading refused")
        << QList<QByteArray>{".-0001ERRO:         31}"} << true << QByteArray() << 0 << "ERRO 31";
    QTest::newRow("reading not answered")
        << QList<QByteArray>{} << true << QByteArray() << 0 << "ERRO 99";
    QTest::newRow("reading not written")
        << QList<QByteArray>{kNotWritten} << true << QByteArray() << 0 << "ERRO 98";
    QTest::newRow("reading not written, no file before")
        << QList<QByteArray>{kNotWritten} << false << QByteArray() << 0 << "ERRO 98";
}

// What reaches LeitM.txt, how many blocks are fetched, and what the answer box shows at the end.
void tst_FiscalMemory::savedReading() {
    QFETCH(QList<QByteArray>, replies);
    QFETCH(bool, earlierFile);
    QFETCH(QByteArray, file);
    QFETCH(int, more);
    QFETCH(QString, shown);

    if (earlierFile) {
        QFile old("LeitM.txt");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(kOldReading);
    }
    push(replies);
    click("NoArq");
    click("LMF");

    QCOMPARE(count("TXRX 0 100 .++"), more);
    QCOMPARE(fake_->log().size(), 3 + more);
    QCOMPARE(fake_->log().constLast(), QStringLiteral("Fecha 0"));
    QCOMPARE(text("Text3"), shown);
    if (!file.isNull()) {
        QCOMPARE(contents("LeitM.txt"), file);
    } else if (earlierFile) {
        QCOMPARE(contents("LeitM.txt"), kOldReading);
    } else {
        QVERIFY(!QFile::exists("LeitM.txt"));
    }
    // Nothing but the two files is left behind.
    QStringList expected{"RespApf.txt"};
    if (earlierFile || !file.isNull()) {
        expected.prepend("LeitM.txt");
    }
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot |
                              QDir::Hidden),
             expected);
}

void tst_FiscalMemory::fileErrors_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("file");  // LeitM.txt afterwards; null: no plain file there

    QTest::newRow("LeitM.txt is a symbolic link") << "link"
                                                  << "Não foi possível gravar a leitura"
                                                  << "link simbólico" << QByteArray();
    QTest::newRow("LeitM.txt is a directory") << "directory"
                                              << "Não foi possível gravar a leitura"
                                              << "é uma pasta" << QByteArray();
    QTest::newRow("file size limit reached") << "limit"
                                             << "Não foi possível gravar a leitura"
                                             << "File too large" << kOldReading;
    QTest::newRow("directory not writable") << "read-only"
                                            << "Não foi possível gravar a leitura"
                                            << "Permission denied" << kOldReading;
    QTest::newRow("reply file lost under the reading") << "reply lost"
                                                       << "não conseguiu gravar a resposta"
                                                       << "" << QByteArray("one\r\n");
}

// A file that cannot be written stops the reading with a message box that names it; the port is
// closed, an earlier reading or a link's target is left alone, and the window takes the next click.
void tst_FiscalMemory::fileErrors() {
    QFETCH(QString, setup);
    QFETCH(QString, summary);
    QFETCH(QString, reason);
    QFETCH(QByteArray, file);

    QFile target("target.txt");
    QVERIFY(target.open(QIODevice::WriteOnly));
    target.write(kOldReading);
    target.close();
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit unchanged = limit;
    if (setup == "link") {
        QVERIFY(QFile::link("target.txt", "LeitM.txt"));
    } else if (setup == "directory") {
        QVERIFY(QDir().mkdir("LeitM.txt"));
    } else {
        QVERIFY(target.copy("LeitM.txt"));
    }
    fake_->pushReply(".+0001one}");
    if (setup == "reply lost") {
        fake_->pushNoFile(-2);
    } else {
        // Each block fits the size limit alone; LeitM.txt outgrows it at the third.
        fake_->pushReply(".+0002" + QByteArray(600, 'x') + "}");
        fake_->pushReply(".+0003" + QByteArray(600, 'y') + "}");
        fake_->pushReply(kEndReply);
    }
    if (setup == "limit") {
        std::signal(SIGXFSZ, SIG_IGN);
        limit.rlim_cur = 1000;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
    }
    if (setup == "read-only") {
        if (geteuid() == 0) {
            QSKIP("the superuser writes in any directory");
        }
        // The reply file of an earlier exchange is there, and can still be rewritten.
        QFile reply("RespApf.txt");
        QVERIFY(reply.open(QIODevice::WriteOnly));
        reply.close();
        QVERIFY(QFile::setPermissions(".", QFile::ReadOwner | QFile::ExeOwner));
    }

    click("NoArq");
    click("LMF");
    setrlimit(RLIMIT_FSIZE, &unchanged);
    QFile::setPermissions(".", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    auto *box = form_->findChild<QMessageBox *>();
    QVERIFY(box != nullptr);
    QVERIFY2(box->text().contains(summary), qPrintable(box->text()));
    const QString detail = box->informativeText();
    QVERIFY2(detail.contains(QDir::currentPath()) && detail.contains(reason), qPrintable(detail));
    if (setup != "reply lost") {
        QVERIFY2(detail.contains("LeitM.txt"), qPrintable(detail));
    }
    QCOMPARE(fake_->log().constLast(), QStringLiteral("Fecha 0"));
    QCOMPARE(contents("target.txt"), kOldReading);
    if (!file.isNull()) {
        QCOMPARE(contents("LeitM.txt"), file);
    } else {
        QVERIFY(!QFileInfo("LeitM.txt").isFile() || QFileInfo("LeitM.txt").isSymLink());
    }
    QCOMPARE(QDir().entryList({"LeitM.txt.*"}, QDir::Files | QDir::Hidden), QStringList());

    box->close();
    const int calls = int(fake_->log().size());
    click("LMF");
    QVERIFY(fake_->log().size() > calls);
}

QTEST_MAIN(tst_FiscalMemory)
#include "tst_fiscal_memory.moc"
