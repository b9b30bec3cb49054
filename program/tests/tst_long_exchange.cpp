// SPDX-License-Identifier: MIT
// During a long exchange the window repaints, shows busy, drops input and defers its closing.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include "window_test.h"

namespace {

constexpr int kExchangeMs = 1500;

// Counts the paint events that reach a widget while the double is inside TXRX.
class PaintWatcher : public QObject {
  public:
    PaintWatcher(QWidget *widget, const FakeLibrary &fake) : fake_(fake) {
        widget->installEventFilter(this);
    }
    int paintsDuringExchange = 0;

  protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint && fake_.inTxrx()) {
            ++paintsDuringExchange;
        }
        return false;
    }

  private:
    const FakeLibrary &fake_;
};

}  // namespace

class tst_LongExchange : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void repaintsAndDropsInput();
    void closingWaitsForTheHandler();
    void focusEventsWaitTheirTurn();

  private:
    /// Runs @p action once, as soon as the double is inside a TXRX call.
    void whenInsideTxrx(const std::function<void()> &action);
};

void tst_LongExchange::initTestCase() {
    useDouble();
}

void tst_LongExchange::init() {
    openWindow(Shown::active);
    fake_->setDelayMs(kExchangeMs);
}

void tst_LongExchange::cleanup() {
    closeWindow();
}

void tst_LongExchange::whenInsideTxrx(const std::function<void()> &action) {
    auto *poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll, action] {
        if (fake_->inTxrx()) {
            poll->stop();
            poll->deleteLater();
            action();
        }
    });
    poll->start(20);
}

void tst_LongExchange::repaintsAndDropsInput() {
    auto *answer = child<QLineEdit>("Text3");
    PaintWatcher watcher(answer, *fake_);
    QSignalSpy started(form_.get(), &FormWindow::handlerStarting);
    bool shownDuring = false;

    whenInsideTxrx([&] {
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        // The handler's progress text, painted before the call.
        QTRY_COMPARE(answer->text(), QStringLiteral("Leitura X"));
        shownDuring = true;
        answer->update();
        // The operator clicks another button, presses keys and types meanwhile.
        QTest::mouseClick(child("Command2"), Qt::LeftButton);
        QTest::keyClick(child("Command3"), Qt::Key_Space);
        QTest::keyClicks(child("Text2"), "typed");
        QTest::mouseClick(child("NoArq"), Qt::LeftButton);
    });

    logic().PrinterPort = 1;
    fake_->pushReply(".+done}");
    QTest::mouseClick(child("Command4"), Qt::LeftButton);

    QVERIFY(shownDuring);
    QVERIFY(watcher.paintsDuringExchange > 0);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(child<QLineEdit>("Text3")->text(), QStringLiteral(".+done}"));

    // Dropped, not deferred: nothing of that input shows up after the handler either.
    QTest::qWait(200);
    QCOMPARE(handlerNames(started), QStringList{"Command4_Click"});
    QCOMPARE(child<QLineEdit>("Text2")->text(), QString());
    QVERIFY(child<QRadioButton>("NaImp")->isChecked());
    QCOMPARE(calls(), QStringList({"Abre 1", "TXRX 1 180 .13", "Fecha 1"}));

    // Input works again once the handler has ended.
    QTest::mouseClick(child("Command2"), Qt::LeftButton);
    QCOMPARE(handlerNames(started), QStringList({"Command4_Click", "Command2_Click"}));
}

void tst_LongExchange::closingWaitsForTheHandler() {
    QSignalSpy started(form_.get(), &FormWindow::handlerStarting);
    bool visibleAfterClose = false;
    whenInsideTxrx([&] {
        form_->close();
        visibleAfterClose = form_->isVisible();
        // An event that would run a handler arrives after the close request: it is dropped.
        QMetaObject::invokeMethod(form_.get(), "Command3_Click");
    });

    bool visibleAtHandlerEnd = false;
    logic().handleWith(window::Handler{window::Control::Command2, window::Event::Click}, [&] {
        logic().link().Abre(1);
        logic().VV(1, 3, u".36S");
        logic().link().Fecha(1);
        logic().Resultado();
        visibleAtHandlerEnd = form_->isVisible();
    });

    QVERIFY(visibleAfterClose);
    QVERIFY(visibleAtHandlerEnd);
    QVERIFY(!form_->isVisible());
    // The handler ran to its end, and nothing was sent after it.
    QCOMPARE(calls(), QStringList({"Abre 1", "TXRX 1 3 .36S", "Fecha 1"}));
    QCOMPARE(handlerNames(started), QStringList{"Command2_Click"});
}

// A focus event raised while an exchange waits (the window is re-activated) runs after the
// running handler, not inside it.
void tst_LongExchange::focusEventsWaitTheirTurn() {
    child("Ini")->setFocus(Qt::OtherFocusReason);
    QSignalSpy started(form_.get(), &FormWindow::handlerStarting);
    QWidget other;
    other.resize(50, 50);
    bool reactivated = false;
    whenInsideTxrx([&] {
        other.show();
        other.activateWindow();
        QTRY_VERIFY(QApplication::activeWindow() == &other);
        form_->activateWindow();
        QTRY_VERIFY(QApplication::activeWindow() == form_.get());
        reactivated = true;
    });

    QStringList seenInside;
    logic().handleWith(window::Handler{window::Control::LMF, window::Event::Click}, [&] {
        logic().VV(1, 100, u".1500011000#");
        seenInside = handlerNames(started);
    });

    QVERIFY(reactivated);
    QCOMPARE(seenInside, QStringList{"LMF_Click"});
    QCOMPARE(handlerNames(started), QStringList({"LMF_Click", "Ini_GotFocus"}));
}

QTEST_MAIN(tst_LongExchange)
#include "tst_long_exchange.moc"
