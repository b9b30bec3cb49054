// SPDX-License-Identifier: MIT
// Late binding of the link library: when it is loaded, what a missing library or function does.
#include <dlfcn.h>

#include <QMessageBox>
#include <QSignalSpy>
#include <QtTest>

#include "form1_probe.h"
#include "handler_error.h"
#include "window_test.h"

namespace {

bool isLoaded(const char *path) {
    void *handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    dlclose(handle);
    return true;
}

}  // namespace

// The slots run in this order: the first two need a process that has loaded no library yet.
class tst_Module1 : public WindowTest {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void windowOpensWithoutTheLibrary();
    void eachFunctionBoundAtItsFirstCall();
    void missingLibraryFileNamed();
    void overflow_data();
    void overflow();
    void sixteenBitLimitsPass();
    void resultsKeepTheirLow16Bits_data();
    void resultsKeepTheirLow16Bits();

  private:
    void runAndExpectBox(Form1Probe &probe, const std::function<void()> &body,
                         const QStringList &inText, const QStringList &inDetail);
};

// The double is not loaded here: each test function loads what it needs.
void tst_Module1::init() {
    openWindow(Shown::exposed);
}

void tst_Module1::cleanup() {
    closeWindow();
}

void tst_Module1::runAndExpectBox(Form1Probe &probe, const std::function<void()> &body,
                                  const QStringList &inText, const QStringList &inDetail) {
    QSignalSpy started(form_.get(), &Form1::handlerStarted);
    probe.runHandler("Command2_Click", body);
    QCOMPARE(started.count(), 1);
    auto *box = form_->findChild<QMessageBox *>();
    QVERIFY(box != nullptr);
    QVERIFY(box->isVisible());
    for (const QString &part : inText) {
        QVERIFY2(box->text().contains(part), qPrintable(box->text()));
    }
    for (const QString &part : inDetail) {
        QVERIFY2(box->informativeText().contains(part), qPrintable(box->informativeText()));
    }
    box->close();
    QTRY_VERIFY(form_->findChild<QMessageBox *>() == nullptr);
    QVERIFY(form_->isVisible());
}

void tst_Module1::windowOpensWithoutTheLibrary() {
    // This test executable carries no path to a libZarvo.so, so the ordinary search fails.
    QCOMPARE(Module1::libraryFile(), QStringLiteral("libZarvo.so"));
    Form1Probe probe(*form_);
    probe.LastReply() = "earlier";
    for (int attempt = 0; attempt < 2; ++attempt) {  // each call tries again, and fails again
        runAndExpectBox(probe, [&] { probe.VV(1, 3, ".36S"); }, {"biblioteca"},
                        {"libZarvo.so", "cannot open shared object file"});
    }
    QCOMPARE(probe.LastReply(), QStringLiteral("earlier"));
}

void tst_Module1::eachFunctionBoundAtItsFirstCall() {
    QVERIFY(!isLoaded(FAKE_ZARVO_NO_TXRX_PATH));
    Module1::setLibraryFile(QString::fromLocal8Bit(FAKE_ZARVO_NO_TXRX_PATH));
    QVERIFY(!isLoaded(FAKE_ZARVO_NO_TXRX_PATH));

    Form1Probe probe(*form_);
    runAndExpectBox(probe,
                    [&] {
                        QCOMPARE(Module1::Abre(1),
                                 std::int16_t(0));  // bound although TXRX is missing
                        probe.VV(1, 3, ".28");
                    },
                    {"TXRX"}, {FAKE_ZARVO_NO_TXRX_PATH, "undefined symbol: TXRX"});
    QVERIFY(isLoaded(FAKE_ZARVO_NO_TXRX_PATH));

    const FakeLibrary fake(FAKE_ZARVO_NO_TXRX_PATH, true);
    // Fecha was bound when the handler stopped, to close the port that Abre had opened.
    QCOMPARE(fake.log(), QStringList({"Abre 1", "Fecha 1"}));
}

void tst_Module1::missingLibraryFileNamed() {
    Module1::setLibraryFile("/nonexistent/folder/libZarvo.so");
    Form1Probe probe(*form_);
    runAndExpectBox(probe, [&] { Module1::Fecha(1); }, {"biblioteca"},
                    {"/nonexistent/folder/libZarvo.so", "No such file or directory"});

    // Once the library is there, the same window works.
    Module1::setLibraryFile(FakeLibrary::path());
    FakeLibrary fake;
    probe.runHandler("Command2_Click", [&] { Module1::Abre(2); });
    QCOMPARE(fake.log(), QStringList({"Abre 2"}));
    QVERIFY(form_->findChild<QMessageBox *>() == nullptr);
}

void tst_Module1::overflow_data() {
    QTest::addColumn<QString>("function");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<QString>("value");
    QTest::newRow("Abre, port 32768") << "Abre" << 32768 << 0 << "32768";
    QTest::newRow("Fecha, port -32769") << "Fecha" << -32769 << 0 << "-32769";
    QTest::newRow("TXRX, port 40000") << "TXRX" << 40000 << 10 << "40000";
    QTest::newRow("TXRX, timeout 32768") << "TXRX" << 1 << 32768 << "32768";
    QTest::newRow("TXRX, timeout -100000") << "TXRX" << 1 << -100000 << "-100000";
}

void tst_Module1::overflow() {
    QFETCH(QString, function);
    QFETCH(int, port);
    QFETCH(int, timeout);
    QFETCH(QString, value);

    Module1::setLibraryFile(FakeLibrary::path());
    FakeLibrary fake;
    try {
        if (function == QLatin1String("Abre")) {
            Module1::Abre(port);
        } else if (function == QLatin1String("Fecha")) {
            Module1::Fecha(port);
        } else {
            Module1::TXRX(port, timeout, ".28");
        }
        QFAIL("no overflow reported");
    } catch (const HandlerError &error) {
        QVERIFY2(error.summary().contains("Estouro"), qPrintable(error.summary()));
        QVERIFY2(error.summary().contains(value), qPrintable(error.summary()));
    }
    QCOMPARE(fake.log(), QStringList());  // nothing reached the library
}

void tst_Module1::sixteenBitLimitsPass() {
    Module1::setLibraryFile(FakeLibrary::path());
    FakeLibrary fake;
    Module1::Abre(32767);
    Module1::Fecha(-32768);
    Module1::TXRX(-32768, 32767, "");
    Module1::TXRX(0, -32768, "");
    QCOMPARE(fake.log(),
             QStringList({"Abre 32767", "Fecha -32768", "TXRX -32768 32767 ", "TXRX 0 -32768 "}));
}

void tst_Module1::resultsKeepTheirLow16Bits_data() {
    QTest::addColumn<int>("libraryResult");
    QTest::addColumn<int>("seen");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("-1") << -1 << -1;
    QTest::newRow("0x7FFF") << 0x7FFF << 0x7FFF;
    QTest::newRow("0x8000") << 0x8000 << -32768;
    QTest::newRow("0x10001") << 0x10001 << 1;
    QTest::newRow("0xFFFF0000") << int(0xFFFF0000u) << 0;
    QTest::newRow("-65537") << -65537 << -1;
}

void tst_Module1::resultsKeepTheirLow16Bits() {
    QFETCH(int, libraryResult);
    QFETCH(int, seen);
    Module1::setLibraryFile(FakeLibrary::path());
    FakeLibrary fake;
    fake.setAbreResult(1, libraryResult);
    fake.setFechaResult(1, libraryResult);
    fake.pushNoFile(libraryResult);
    QCOMPARE(int(Module1::Abre(1)), seen);
    QCOMPARE(int(Module1::Fecha(1)), seen);
    QCOMPARE(int(Module1::TXRX(1, 3, ".28")), seen);
}

QTEST_MAIN(tst_Module1)
#include "tst_module1.moc"
