// SPDX-License-Identifier: MIT
// The window's message boxes: the error that stops a handler, and the notice of a port that did
// not open.
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "Zarvo.h"
#include "window_test.h"

class tst_MessageBoxes : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase() { useDouble(); }
    void init() { openWindow(Shown::exposed); }
    void cleanup() { closeWindow(); }

    void errorBoxStopsTheHandler();
    void portNoticeLeavesTheWindowUsable();

  private:
    void click(const char *button) { child<QPushButton>(button)->click(); }
};

// A window-modal box: the summary as its text, the file, directory and reason as its informative
// text; once dismissed, the window goes on.
void tst_MessageBoxes::errorBoxStopsTheHandler() {
    fake_->pushNoFile(0);  // TXRX leaves no RespApf.txt to read
    click("Command4");

    auto *error = form_->findChild<QMessageBox *>();
    QVERIFY(error != nullptr);
    QVERIFY(error->isVisible());
    QCOMPARE(error->windowModality(), Qt::WindowModal);
    QVERIFY2(error->text().contains("Não foi possível ler a resposta") &&
                 error->text().contains("RespApf.txt"),
             qPrintable(error->text()));
    for (const QString &part : {QStringLiteral("No such file or directory"), QDir::currentPath()}) {
        QVERIFY2(error->informativeText().contains(part), qPrintable(error->informativeText()));
    }
    QCOMPARE(calls(), QStringList({"Abre 0", "TXRX 0 180 .13", "Fecha 0"}));

    error->close();
    QTRY_VERIFY(form_->findChild<QMessageBox *>() == nullptr);
    fake_->pushReply(".+next}");
    click("Command4");
    QCOMPARE(box("Text3")->text(), QStringLiteral(".+next}"));
    QVERIFY(form_->findChild<QMessageBox *>() == nullptr);
}

// The notice does not block the window, and the next press replaces its text rather than piling
// up boxes.
void tst_MessageBoxes::portNoticeLeavesTheWindowUsable() {
    logic().PrinterPort = 1;
    fake_->setAbreResult(1, ZARVO_PORT_BUSY);
    const QString busy =
        QStringLiteral("A porta 1 não pôde ser aberta: em uso por outro programa.");
    for (int press = 0; press < 2; ++press) {
        click(press == 0 ? "Command2" : "Command4");
        const QList<QMessageBox *> boxes = form_->findChildren<QMessageBox *>();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0]->isVisible());
        QCOMPARE(boxes[0]->windowModality(), Qt::NonModal);
        QCOMPARE(boxes[0]->text(), busy);
        QVERIFY(boxes[0]->informativeText().contains("Feche o outro programa"));
    }
}

QTEST_MAIN(tst_MessageBoxes)
#include "tst_message_boxes.moc"
