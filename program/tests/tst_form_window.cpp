// SPDX-License-Identifier: MIT
// The Qt view against the library double: its widgets as the form table makes them, its events
// routed by the handler table, typing limits, a long exchange on the worker thread, closing after
// the handler, and the work folder of a menu-started window.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QtTest>

#include "qt/work_folder.h"
#include "tab_order.h"
#include "window_test.h"

namespace {

using window::Control;
using window::ControlKind;
using window::ControlRow;

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
    void init() {
        openWindow();
        started_.clear();
        connect(form_.get(), &FormWindow::handlerStarting, this,
                [this](const QString &name) { started_ << name; });
    }
    void cleanup() { closeWindow(); }

    void controlsFromTheTable();
    void captionsWhole();
    void focusAndClickEvents();
    void typingLimits();
    void longExchangeRepaintsAndDropsInput();
    void closingWaitsForTheHandler();
    void workFolder();

  private:
    QString text(const char *name) const { return box(name)->text(); }
    /// The handlers the window started, in order.
    QStringList started_;
    /// Runs @p action once, as soon as the double is inside a TXRX call.
    void whenInsideTxrx(const std::function<void()> &action);
};

// Each control as the core's table makes it: its kind, container, text, place in pixels, whether
// it takes the focus and, for an option, whether it is selected; the name a screen reader gives
// each box and option button (its label's text without the colon); no widget beside them; and the
// focus chain from Command1 in the order of the table's tab indexes.
void tst_FormWindow::controlsFromTheTable() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("ZARVO"));
    QCOMPARE(form_->size(), QSize(368, 452));  // 5520 x 6780 twips
    QCOMPARE(box("PAPEL")->palette().color(QPalette::Text), QColor(Qt::black));
    const QStringList classes{"QPushButton", "QLineEdit", "QLabel", "QGroupBox", "QRadioButton"};
    for (const ControlRow &row : window::kForm) {
        QWidget *widget = form_->widget(row.id);
        QCOMPARE(widget->objectName().toStdString(), row.name);
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()),
                 classes[static_cast<int>(row.kind)]);
        QCOMPARE(widget->parentWidget(),
                 row.container == Control::Window ? form_.get() : form_->widget(row.container));
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
            QCOMPARE(form_->widget(row.names)->accessibleName(), label);
        }
    }
    // Each row's widget, with its own name: as many of these classes, no more.
    const QList<QWidget *> widgets = form_->findChildren<QWidget *>();
    QCOMPARE(std::count_if(widgets.begin(), widgets.end(),
                           [&](const QWidget *widget) {
                               return classes.contains(widget->metaObject()->className());
                           }),
             qsizetype(window::kForm.size()));

    QStringList order, chain;
    for (const std::string &name : tabOrder()) {
        order << QString::fromStdString(name);
    }
    QWidget *widget = QApplication::focusWidget();
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            chain << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != QApplication::focusWidget());
    QCOMPARE(chain, order);
}

// Every caption whole in its widget at the screen's scale (1, and 1.5 in the run with
// QT_SCALE_FACTOR=1.5: Windows at 150 %): its width in the widget's own font within the room the
// style gives the text, its height within the widget.
void tst_FormWindow::captionsWhole() {
    const QString factor = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));
    QCOMPARE(form_->devicePixelRatioF(), factor.toDouble());
    int checked = 0;
    for (const ControlRow &row : window::kForm) {
        QWidget *widget = form_->widget(row.id);
        const QString caption = toQString(row.text);
        if (caption.isEmpty() || row.kind == ControlKind::TextBox) {
            continue;
        }
        int room = widget->width();
        if (auto *button = qobject_cast<QPushButton *>(widget)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = caption;
            room = button->style()
                       ->subElementRect(QStyle::SE_PushButtonContents, &option, button)
                       .width();
        } else if (auto *label = qobject_cast<QLabel *>(widget)) {
            room = label->contentsRect().width();
        }
        const QFontMetrics metrics(widget->font());
        QVERIFY2(metrics.horizontalAdvance(caption) <= room && metrics.height() <= widget->height(),
                 qPrintable(QStringLiteral("%1 at %2: %3 x %4 in %5 x %6")
                                .arg(caption, factor)
                                .arg(metrics.horizontalAdvance(caption))
                                .arg(metrics.height())
                                .arg(room)
                                .arg(widget->height())));
        ++checked;
    }
    QCOMPARE(checked, 20);  // the labels, buttons and titled frame of the table
}

// The handlers a move of the focus, a click, Enter on a button or typing runs, in order, where the
// focus lands and which options are selected then (switching windows: the long exchange). A label
// that names an option button selects it; the pairs exclude within their own frame only; NaImp and
// NoArq run nothing.
void tst_FormWindow::focusAndClickEvents() {
    struct Case {
        const char *from, *action;  // a key ("tab", "backtab", "enter", "type") or what is clicked
        const char *selectedBefore, *handlers, *focus, *selectedAfter;
    };
    const Case cases[] = {
        {"Fim", "LMF", "Porredu NaImp", "Fim_Validate LMF_Click", "LMF", "Porredu NaImp"},
        {"Ini", "tab", "Porredu NaImp", "Ini_Validate Fim_GotFocus", "Fim", "Porredu NaImp"},
        {"Fim", "backtab", "Porredu NaImp", "Fim_Validate Ini_GotFocus", "Ini", "Porredu NaImp"},
        {"Command1", "Ini", "Porredu NaImp", "Ini_GotFocus", "Ini", "Porredu NaImp"},
        {"Command3", "enter", "Porredu NaImp", "Command3_Click", "Command3", "Porredu NaImp"},
        {"Fim", "Pordata", "Porredu NoArq", "Fim_Validate Pordata_Click", "Pordata",
         "Pordata NoArq"},
        {"Ini", "Command1", "Porredu NaImp", "Ini_Validate Command1_Click", "Command1",
         "Porredu NaImp"},
        {"Ini", "Ini", "Porredu NaImp", "", "Ini", "Porredu NaImp"},
        {"Ini", "type", "Porredu NaImp", "", "Ini", "Porredu NaImp"},
        {"Ini", "Label10", "Porredu NoArq", "Ini_Validate Pordata_Click", "Pordata",
         "Pordata NoArq"},
        {"Ini", "Label12", "Pordata NaImp", "Ini_Validate", "NoArq", "Pordata NoArq"},
        {"Ini", "Label11", "Pordata NoArq", "Ini_Validate", "NaImp", "Pordata NaImp"},
    };
    const QMap<QString, QKeyCombination> keys{{"tab", Qt::Key_Tab},
                                              {"backtab", Qt::ShiftModifier | Qt::Key_Backtab},
                                              {"enter", Qt::Key_Return},
                                              {"type", Qt::Key_7}};
    for (const Case &c : cases) {
        for (const QString &option : QString::fromLatin1(c.selectedBefore).split(' ')) {
            child<QRadioButton>(qPrintable(option))->setChecked(true);
        }
        child(c.from)->setFocus(Qt::OtherFocusReason);
        QCOMPARE(QApplication::focusWidget(), child(c.from));
        started_.clear();
        if (const auto key = keys.find(c.action); key != keys.end()) {
            QTest::keyClick(QApplication::focusWidget(), key->key(), key->keyboardModifiers());
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
        const QStringList seen{started_.join(' '), QApplication::focusWidget()->objectName(),
                               selected.join(' ')};
        QCOMPARE(row + seen.join(" | "),
                 row + QStringList({c.handlers, c.focus, c.selectedAfter}).join(" | "));
    }
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
// is dropped, not deferred; the window losing the focus to another one and getting it back raises
// no Validate, and the GotFocus runs after the running handler, not inside it. The window works
// again once the handler has ended.
void tst_FormWindow::longExchangeRepaintsAndDropsInput() {
    fake_->setDelayMs(1500);
    PaintWatcher watcher(box("Text3"), *fake_);
    child("Ini")->setFocus(Qt::OtherFocusReason);
    started_.clear();
    QWidget other;
    other.resize(50, 50);
    QStringList seenInside;
    whenInsideTxrx([&] {
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        box("Text3")->update();
        // The operator clicks another button, presses keys and types meanwhile.
        click("Command2");
        QTest::keyClick(child("Command3"), Qt::Key_Space);
        QTest::keyClicks(child("Text2"), "typed");
        click("NoArq");
        other.show();
        other.activateWindow();
        QTRY_VERIFY(QApplication::activeWindow() == &other);
        form_->activateWindow();
        QTRY_VERIFY(QApplication::activeWindow() == form_.get());
        seenInside = started_;
    });
    child<QPushButton>("Command4")->click();  // the focus stays in Ini

    QCOMPARE(seenInside, QStringList{"Command4_Click"});
    QVERIFY(watcher.paintsDuringExchange > 0);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QTest::qWait(200);  // anything deferred would have arrived by now
    QCOMPARE(started_, QStringList({"Command4_Click", "Ini_GotFocus"}));
    QCOMPARE(text("Text2"), QString());
    QVERIFY(child<QRadioButton>("NaImp")->isChecked());
    click("Command2");
    QCOMPARE(started_,
             QStringList({"Command4_Click", "Ini_GotFocus", "Ini_Validate", "Command2_Click"}));
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
        logic().VV(1, 3, u".36S");
        visibleAtHandlerEnd = form_->isVisible();
    });

    QVERIFY(visibleAfterClose && visibleAtHandlerEnd);
    QVERIFY(!form_->isVisible());
}

// A menu-started window works in the Zarvo folder of the documents folder the desktop names: one
// that cannot be made is named with the system's reason and the current directory stays; made on
// the first start, it is entered on the next with what was written there.
void tst_FormWindow::workFolder() {
    namespace qt = zarvo::window::qt;
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QByteArray homeBefore = qgetenv("HOME"), configBefore = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
    const QString start = QDir::currentPath(), folder = home.filePath("Documents/Zarvo");

    zarvo::testing::write_file(home.filePath("Documents").toStdString(), "a plain file");
    const QString message = qt::enterDocumentsFolder();
    QVERIFY2(
        message.contains(folder) && message.contains("Motivo: ") && !message.endsWith("Motivo: "),
        qPrintable(message));
    QCOMPARE(QDir::currentPath(), start);
    QVERIFY(QFile::remove(home.filePath("Documents")));
    QCOMPARE(qt::enterDocumentsFolder(), QString());
    QCOMPARE(QDir::currentPath(), folder);
    zarvo::testing::write_file("LeitM.txt", "block\r\n");
    QVERIFY(QDir::setCurrent(start));
    QCOMPARE(qt::enterDocumentsFolder(), QString());
    QCOMPARE(QDir::currentPath(), folder);
    QCOMPARE(zarvo::testing::read_file("LeitM.txt"), "block\r\n");
    QVERIFY(QDir::setCurrent(start));

    // A Portuguese desktop names its documents folder in user-dirs.dirs.
    QVERIFY(QDir(home.path()).mkpath(".config"));
    zarvo::testing::write_file(home.filePath(".config/user-dirs.dirs").toStdString(),
                               "XDG_DOCUMENTS_DIR=\"$HOME/Documentos\"\n");
    QCOMPARE(qt::documentsFolder(), home.filePath("Documentos/Zarvo"));
    qputenv("HOME", homeBefore);
    configBefore.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", configBefore);
}

QTEST_MAIN(tst_FormWindow)
#include "tst_form_window.moc"
