// SPDX-License-Identifier: MIT
// The Qt view against the library double: its widgets as the form table makes them, its events
// routed by the handler table, typing limits and whatever may be typed or pasted, a long exchange
// on the worker thread, closing after the handler, and the work folder of a menu-started window.
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "qt/work_folder.h"
#include "tab_order.h"
#include "window_test.h"

namespace {

using window::Control;
using window::ControlKind;
using window::ControlRow;

QString nameOf(Control control) {
    const std::string_view name =
        control == Control::Window ? std::string_view("Form1") : window::row(control).name;
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString toQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// Counts the paint events that reach a widget while the double is inside TXRX.
class PaintWatcher : public QObject {
  public:
    PaintWatcher(QWidget *widget, const FakeLibrary &fake) : fake_(fake) {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override {
        paintsDuringExchange += event->type() == QEvent::Paint && fake_.inTxrx() ? 1 : 0;
        return false;
    }
    int paintsDuringExchange = 0;

  private:
    const FakeLibrary &fake_;
};

}  // namespace

class tst_FormWindow : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase() { useDouble(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    void controlsFromTheTable();
    void tabKeyOrder();
    void focusAndClickEvents();
    void buttonsRunTheirHandlers();
    void typingLimits();
    void badInputInEveryBox();
    void longExchangeRepaintsAndDropsInput();
    void closingWaitsForTheHandler();
    void focusEventsWaitTheirTurn();
    void workFolder();

  private:
    QString text(const char *name) const { return box(name)->text(); }
    /// Runs @p action once, as soon as the double is inside a TXRX call.
    void whenInsideTxrx(const std::function<void()> &action);
};

// Each control as the core's table makes it: its kind, container, text, place in pixels, whether
// it takes the focus and, for an option, whether it is selected; the name a screen reader gives
// each box and option button (its label's text without the colon); and no widget beside them.
void tst_FormWindow::controlsFromTheTable() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("ZARVO"));
    QCOMPARE(form_->size(), QSize(368, 452));  // 5520 x 6780 twips
    QCOMPARE(QApplication::focusWidget(), child("Command1"));
    QCOMPARE(box("PAPEL")->palette().color(QPalette::Text), QColor(Qt::black));
    const QStringList classes{"QPushButton", "QLineEdit", "QLabel", "QGroupBox", "QRadioButton"};
    QStringList expected;
    for (const ControlRow &row : window::kForm) {
        const QString name = nameOf(row.id);
        expected << name;
        QWidget *widget = child(qPrintable(name));
        QVERIFY2(widget != nullptr, qPrintable(name));
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()),
                 classes[static_cast<int>(row.kind)]);
        QCOMPARE(widget->parentWidget()->objectName(), nameOf(row.container));
        QCOMPARE(widget->property(row.kind == ControlKind::Frame ? "title" : "text").toString(),
                 toQString(row.text));
        QCOMPARE(widget->geometry(), QRect(window::pixels(row.left), window::pixels(row.top),
                                           window::pixels(row.width), window::pixels(row.height)));
        QVERIFY(widget->isEnabled() && widget->isVisible());
        QCOMPARE(widget->focusPolicy(), window::takesFocus(row) ? Qt::StrongFocus : Qt::NoFocus);
        if (auto *box = qobject_cast<QLineEdit *>(widget)) {
            QVERIFY(!box->isReadOnly());
            QCOMPARE(box->maxLength(), 32767);  // the widget's own maximum: no limit set
        }
        if (auto *option = qobject_cast<QRadioButton *>(widget)) {
            QCOMPARE(option->isChecked(), (row.facts & window::kSelected) != 0);
        }
        if (row.kind == ControlKind::Label && row.names != Control::Window) {
            QString label = toQString(row.text);
            label.chop(label.endsWith(u':') ? 1 : 0);
            QCOMPARE(child(qPrintable(nameOf(row.names)))->accessibleName(), label);
        }
    }
    QStringList found;
    for (const QWidget *widget : form_->findChildren<QWidget *>()) {
        if (classes.contains(QString::fromLatin1(widget->metaObject()->className()))) {
            found << widget->objectName();
        }
    }
    found.sort();
    expected.sort();
    QCOMPARE(found, expected);
}

// The focus chain follows the table's tab indexes; the Tab key stops at the selected button of
// each option pair only, and goes round again.
void tst_FormWindow::tabKeyOrder() {
    QStringList order;
    for (const std::string &name : tabOrder()) {
        order << QString::fromStdString(name);
    }
    QStringList chain;
    QWidget *widget = child("Command1");
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            chain << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != child("Command1"));
    QCOMPARE(chain, order);

    order.removeAll("Pordata");
    order.removeAll("NoArq");
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 1; i <= order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, order + QStringList{"Command1"});
}

// The handlers a move of the focus or a click runs, in order (Validate only as the focus moves
// within the form: switching windows is focusEventsWaitTheirTurn's), where the focus lands and
// which options are selected then. A label that names an option button selects it; the pairs
// exclude within their own frame only.
void tst_FormWindow::focusAndClickEvents() {
    struct Case {
        const char *from, *action;  // "tab", "backtab" or the control clicked
        const char *selectedBefore, *handlers, *focus, *selectedAfter;
    };
    const Case cases[] = {
        {"Fim", "LMF", "Porredu NaImp", "Fim_Validate LMF_Click", "LMF", "Porredu NaImp"},
        {"Fim", "tab", "Porredu NaImp", "Fim_Validate", "LMF", "Porredu NaImp"},
        {"Ini", "tab", "Porredu NaImp", "Ini_Validate Fim_GotFocus", "Fim", "Porredu NaImp"},
        {"Ini", "Fim", "Porredu NaImp", "Ini_Validate Fim_GotFocus", "Fim", "Porredu NaImp"},
        {"Fim", "backtab", "Porredu NaImp", "Fim_Validate Ini_GotFocus", "Ini", "Porredu NaImp"},
        {"Command1", "Ini", "Porredu NaImp", "Ini_GotFocus", "Ini", "Porredu NaImp"},
        {"Fim", "Pordata", "Porredu NoArq", "Fim_Validate Pordata_Click", "Pordata",
         "Pordata NoArq"},
        {"Ini", "Command1", "Porredu NaImp", "Ini_Validate Command1_Click", "Command1",
         "Porredu NaImp"},
        {"Ini", "Ini", "Porredu NaImp", "", "Ini", "Porredu NaImp"},
        {"Ini", "Label10", "Porredu NoArq", "Ini_Validate Pordata_Click", "Pordata",
         "Pordata NoArq"},
        {"Ini", "Label9", "Pordata NoArq", "Ini_Validate Porredu_Click", "Porredu",
         "Porredu NoArq"},
        {"Ini", "Label12", "Pordata NaImp", "Ini_Validate", "NoArq", "Pordata NoArq"},
        {"Ini", "Label11", "Pordata NoArq", "Ini_Validate", "NaImp", "Pordata NaImp"},
    };
    for (const Case &c : cases) {
        for (const QString &option : QString::fromLatin1(c.selectedBefore).split(' ')) {
            child<QRadioButton>(qPrintable(option))->setChecked(true);
        }
        child(c.from)->setFocus(Qt::OtherFocusReason);
        QCOMPARE(QApplication::focusWidget(), child(c.from));
        QSignalSpy started(form_.get(), &FormWindow::handlerStarting);
        if (qstrcmp(c.action, "tab") == 0) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        } else if (qstrcmp(c.action, "backtab") == 0) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        } else {
            click(c.action);
        }
        QStringList selected;
        for (const char *option : {"Porredu", "Pordata", "NaImp", "NoArq"}) {
            if (child<QRadioButton>(option)->isChecked()) {
                selected << option;
            }
        }
        const QString row = QStringLiteral("%1, %2: ").arg(c.from, c.action);
        const QStringList seen{handlerNames(started).join(' '),
                               QApplication::focusWidget()->objectName(), selected.join(' ')};
        QCOMPARE(row + seen.join(" | "),
                 row + QStringList({c.handlers, c.focus, c.selectedAfter}).join(" | "));
    }
}

// Each button runs its one handler, by mouse and by the space key; the option buttons NaImp and
// NoArq and typing into a box run nothing.
void tst_FormWindow::buttonsRunTheirHandlers() {
    for (const auto &row : window::Form1::kHandlers) {
        if (row.handler.event != window::Event::Click) {
            continue;
        }
        const QString handler = QString::fromStdString(window::nameOf(row.handler));
        auto *button = child<QAbstractButton>(qPrintable(nameOf(row.handler.control)));
        QSignalSpy started(form_.get(), &FormWindow::handlerStarting);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(handlerNames(started), QStringList({handler, handler}));
    }
    QSignalSpy started(form_.get(), &FormWindow::handlerStarting);
    QTest::keyClicks(child("Text3"), "abc");
    QTest::mouseClick(child("NoArq"), Qt::LeftButton);
    QTest::mouseClick(child("NaImp"), Qt::LeftButton);
    QCOMPARE(handlerNames(started), QStringList());
}

// 4 typed characters in a box that took the focus by reduction, 10 once dates are chosen; back
// to reductions a box keeps 10 until it next takes the focus.
void tst_FormWindow::typingLimits() {
    type("Ini", "123456");
    QCOMPARE(text("Ini"), QStringLiteral("1234"));
    QCOMPARE(box("Fim")->maxLength(), 32767);
    click("Pordata");
    type("Fim", "01/02/2003x");
    QCOMPARE(text("Fim"), QStringLiteral("01/02/2003"));
    QCOMPARE(box("Ini")->maxLength(), 10);
    click("Porredu");
    QCOMPARE(QStringList({text("Ini"), text("Fim")}), QStringList({"0001", "1000"}));
    QCOMPARE(box("Fim")->maxLength(), 10);
    type("Fim", "123456");
    QCOMPARE(text("Fim"), QStringLiteral("1234"));
    QCOMPARE(box("Ini")->maxLength(), 10);
}

// What may be put into any box: a text far longer than the box takes, characters with no 8-bit
// form (an emoji is one character), control characters. Each box keeps it up to its limit, every
// button still works, and the range boxes send each control character as its own byte and "?"
// for what has no 8-bit form, showing the "?" first.
void tst_FormWindow::badInputInEveryBox() {
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
    fake_->pushReply(".]0003FIM:          00}");
    for (const char *button : {"LMF", "Command1", "Command2", "Command3", "Command4", "LMF"}) {
        click(button);
    }

    QVERIFY(form_->isVisible());
    QVERIFY(form_->findChild<QMessageBox *>() == nullptr);
    const QString shown = QString::fromUtf8("\x01\t\x1b?");
    QCOMPARE(QStringList({text("Ini"), text("Fim")}), QStringList({shown, shown}));
    QCOMPARE(QByteArray::fromStdString(fake_->call(1).command),
             QByteArray(".15\x01\t\x1b?\x01\t\x1b?#"));
    QCOMPARE(calls().count(QStringLiteral("Fecha 0")), 5);
}

void tst_FormWindow::whenInsideTxrx(const std::function<void()> &action) {
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

// While the library call waits on the worker thread the window repaints and shows busy; input
// is dropped, not deferred; it works again once the handler has ended.
void tst_FormWindow::longExchangeRepaintsAndDropsInput() {
    fake_->setDelayMs(1500);
    PaintWatcher watcher(box("Text3"), *fake_);
    QSignalSpy started(form_.get(), &FormWindow::handlerStarting);
    bool shownDuring = false;
    whenInsideTxrx([&] {
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        // The handler's progress text, painted before the call.
        QTRY_COMPARE(text("Text3"), QStringLiteral("Leitura X"));
        shownDuring = true;
        box("Text3")->update();
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
    QCOMPARE(text("Text3"), QStringLiteral(".+done}"));
    QTest::qWait(200);  // anything deferred would have arrived by now
    QCOMPARE(handlerNames(started), QStringList{"Command4_Click"});
    QCOMPARE(text("Text2"), QString());
    QVERIFY(child<QRadioButton>("NaImp")->isChecked());
    QCOMPARE(calls(), QStringList({"Abre 1", "TXRX 1 180 .13", "Fecha 1"}));
    QTest::mouseClick(child("Command2"), Qt::LeftButton);
    QCOMPARE(handlerNames(started), QStringList({"Command4_Click", "Command2_Click"}));
}

// A close asked for while the exchange waits leaves the window open until the handler has run to
// its end, and then closes it.
void tst_FormWindow::closingWaitsForTheHandler() {
    fake_->setDelayMs(1500);
    bool visibleAfterClose = false;
    whenInsideTxrx([&] {
        form_->close();
        visibleAfterClose = form_->isVisible();
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
    QCOMPARE(calls(), QStringList({"Abre 1", "TXRX 1 3 .36S", "Fecha 1"}));
}

// The window loses the focus to another one and gets it back while an exchange waits: no
// Validate, and the GotFocus runs after the running handler, not inside it.
void tst_FormWindow::focusEventsWaitTheirTurn() {
    fake_->setDelayMs(1500);
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

// A menu-started window works in the Zarvo folder of the documents folder the desktop names: one
// that cannot be made is named with the system's reason and the current directory stays; made on
// the first start, it is entered on the next with what was written there.
void tst_FormWindow::workFolder() {
    namespace WorkFolder = zarvo::window::qt::WorkFolder;
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QByteArray homeBefore = qgetenv("HOME"), configBefore = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
    const QString start = QDir::currentPath(), folder = home.filePath("Documents/Zarvo");

    QVERIFY(writeFile(home.filePath("Documents"), "a plain file"));
    const QString message = WorkFolder::enterDocumentsFolder();
    QVERIFY2(
        message.contains(folder) && message.contains("Motivo: ") && !message.endsWith("Motivo: "),
        qPrintable(message));
    QCOMPARE(QDir::currentPath(), start);
    QVERIFY(QFile::remove(home.filePath("Documents")));
    QCOMPARE(WorkFolder::enterDocumentsFolder(), QString());
    QCOMPARE(QDir::currentPath(), folder);
    QVERIFY(writeFile("LeitM.txt", "block\r\n"));
    QVERIFY(QDir::setCurrent(start));
    QCOMPARE(WorkFolder::enterDocumentsFolder(), QString());
    QCOMPARE(QDir::currentPath(), folder);
    QCOMPARE(contents("LeitM.txt"), QByteArray("block\r\n"));
    QVERIFY(QDir::setCurrent(start));

    // A Portuguese desktop names its documents folder in user-dirs.dirs.
    QVERIFY(QDir(home.path()).mkpath(".config"));
    QVERIFY(writeFile(home.filePath(".config/user-dirs.dirs"),
                      "XDG_DOCUMENTS_DIR=\"$HOME/Documentos\"\n"));
    QCOMPARE(WorkFolder::documentsFolder(), home.filePath("Documentos/Zarvo"));
    qputenv("HOME", homeBefore);
    configBefore.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", configBefore);
}

QTEST_MAIN(tst_FormWindow)
#include "tst_form_window.moc"
