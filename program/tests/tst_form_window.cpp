// SPDX-License-Identifier: MIT
// The window as the operator meets it: controls, layout, focus order, the focus events, typing
// limits, and whatever may be typed or pasted.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <vector>

#include "core/form_table.h"
#include "tab_order.h"
#include "window_test.h"

namespace {

using window::Control;
using window::ControlKind;
using window::ControlRow;

const char *widgetClass(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button:
            return "QPushButton";
        case ControlKind::TextBox:
            return "QLineEdit";
        case ControlKind::Label:
            return "QLabel";
        case ControlKind::Frame:
            return "QGroupBox";
        case ControlKind::Option:
            return "QRadioButton";
    }
    return "?";
}

QString nameOf(Control control) {
    const std::string_view name =
        control == Control::Window ? std::string_view("Form1") : window::row(control).name;
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QStringList focusOrder() {
    QStringList names;
    for (const std::string &name : tabOrder()) {
        names << QString::fromStdString(name);
    }
    return names;
}

QString controlText(const QWidget *widget) {
    if (const auto *box = qobject_cast<const QLineEdit *>(widget)) {
        return box->text();
    }
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) {
        return button->text();
    }
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        return label->text();
    }
    if (const auto *frame = qobject_cast<const QGroupBox *>(widget)) {
        return frame->title();
    }
    return QStringLiteral("<unknown kind>");
}

}  // namespace

class tst_FormWindow : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controls();
    void windowAndInitialState();
    void accessibleNames();
    void tabOrder();
    void optionLabelsSelect_data();
    void optionLabelsSelect();
    void focusEvents_data();
    void focusEvents();
    void otherWindowIsNoValidate();
    void buttonsRunTheirHandlers_data();
    void buttonsRunTheirHandlers();
    void typingLimits();
    void badInputInEveryBox();

  private:
    QString text(const char *name) const { return box(name)->text(); }
    void click(const char *name) {
        QTest::mouseClick(child(name), Qt::LeftButton, {}, child(name)->rect().center());
    }
    // As the operator types: click into the box, select all, type.
    void type(const char *name, const QString &text) {
        click(name);
        QTest::keyClick(box(name), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box(name), text);
    }
};

void tst_FormWindow::initTestCase() {
    useDouble();
}

void tst_FormWindow::init() {
    openWindow(Shown::active);
}

void tst_FormWindow::cleanup() {
    closeWindow();
}

// Each control as the core's table makes it: its kind, container, text, place in pixels, whether
// it takes the focus and, for an option, whether it is selected; and no widget beside them.
void tst_FormWindow::controls() {
    QSet<QString> expected;
    for (const ControlRow &row : window::kForm) {
        const QString name = nameOf(row.id);
        expected.insert(name);
        QWidget *widget = child(qPrintable(name));
        QVERIFY2(widget != nullptr, qPrintable(name));
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()),
                 QString::fromLatin1(widgetClass(row.kind)));
        QCOMPARE(widget->parentWidget()->objectName(), nameOf(row.container));
        QCOMPARE(controlText(widget),
                 QString::fromUtf16(row.text.data(), static_cast<qsizetype>(row.text.size())));
        QCOMPARE(widget->geometry(), QRect(window::pixels(row.left), window::pixels(row.top),
                                           window::pixels(row.width), window::pixels(row.height)));
        QVERIFY(widget->isEnabled());
        QVERIFY(widget->isVisible());
        if (auto *box = qobject_cast<QLineEdit *>(widget)) {
            QVERIFY(!box->isReadOnly());
            QCOMPARE(box->maxLength(), 32767);  // the widget's own maximum: no limit set
        }
        QCOMPARE(widget->focusPolicy(), window::takesFocus(row) ? Qt::StrongFocus : Qt::NoFocus);
        if (auto *option = qobject_cast<QRadioButton *>(widget)) {
            QCOMPARE(option->isChecked(), (row.facts & window::kSelected) != 0);
        }
    }
    QSet<QString> found;
    for (const QWidget *widget : form_->findChildren<QWidget *>()) {
        const QString kind = QString::fromLatin1(widget->metaObject()->className());
        if (kind == "QPushButton" || kind == "QLineEdit" || kind == "QLabel" ||
            kind == "QGroupBox" || kind == "QRadioButton") {
            found.insert(widget->objectName());
        }
    }
    QCOMPARE(found, expected);
}

void tst_FormWindow::windowAndInitialState() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("ZARVO"));
    QCOMPARE(form_->size(), QSize(368, 452));  // 5520 x 6780 twips
    QCOMPARE(QApplication::focusWidget(), child("Command1"));
    QCOMPARE(child<QLineEdit>("PAPEL")->palette().color(QPalette::Text), QColor(Qt::black));
}

// A screen reader names each box and option button by the label that heads it, without its colon.
void tst_FormWindow::accessibleNames() {
    for (const ControlRow &label : window::kForm) {
        if (label.kind == ControlKind::Label && label.names != Control::Window) {
            QString name = QString::fromUtf16(label.text.data(), label.text.size());
            name.chop(name.endsWith(u':') ? 1 : 0);
            QCOMPARE(child(qPrintable(nameOf(label.names)))->accessibleName(), name);
        }
    }
}

void tst_FormWindow::tabOrder() {
    QStringList chain;
    QWidget *widget = child("Command1");
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            chain << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != child("Command1"));
    QCOMPARE(chain, focusOrder());

    // The Tab key stops at the selected button of each option pair only.
    QStringList expected = focusOrder();
    expected.removeAll("Pordata");
    expected.removeAll("NoArq");
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 1; i <= expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected + QStringList{"Command1"});  // and round again
}

void tst_FormWindow::optionLabelsSelect_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("handler");
    QTest::newRow("Label10") << "Pordata"
                             << "Pordata_Click";
    QTest::newRow("Label9") << "Porredu"
                            << "Porredu_Click";
    QTest::newRow("Label12") << "NoArq"
                             << "";
    QTest::newRow("Label11") << "NaImp"
                             << "";
}

void tst_FormWindow::optionLabelsSelect() {
    QFETCH(QString, option);
    QFETCH(QString, handler);
    auto *button = child<QRadioButton>(qPrintable(option));
    // Start from the other button of the pair, with the focus in Ini.
    for (QRadioButton *other : button->parentWidget()->findChildren<QRadioButton *>()) {
        if (other != button) {
            other->setChecked(true);
        }
    }
    QVERIFY(!button->isChecked());
    child("Ini")->setFocus(Qt::MouseFocusReason);
    // The pairs exclude within their frame only: the other frame's pair stays as it is.
    QMap<QRadioButton *, bool> expectedStates;
    for (QRadioButton *any : form_->findChildren<QRadioButton *>()) {
        const bool samePair = any->parentWidget() == button->parentWidget();
        expectedStates[any] = samePair ? any == button : any->isChecked();
    }

    QSignalSpy started(form_.get(), &FormWindow::handlerStarting);
    QTest::mouseClick(child(QTest::currentDataTag()), Qt::LeftButton);

    for (auto [any, on] : expectedStates.asKeyValueRange()) {
        QVERIFY2(any->isChecked() == on, qPrintable(any->objectName()));
    }
    QCOMPARE(QApplication::focusWidget(), button);
    QStringList expected{"Ini_Validate"};
    if (!handler.isEmpty()) {
        expected << handler;
    }
    QCOMPARE(handlerNames(started), expected);
}

void tst_FormWindow::focusEvents_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("action");  // "mouse:<control>" or "tab"
    QTest::addColumn<QStringList>("handlers");
    QTest::newRow("Fim, mouse on Executa")
        << "Fim"
        << "mouse:LMF" << QStringList{"Fim_Validate", "LMF_Click"};
    QTest::newRow("Fim, tab to Executa") << "Fim"
                                         << "tab" << QStringList{"Fim_Validate"};
    QTest::newRow("Ini, tab to Fim") << "Ini"
                                     << "tab" << QStringList{"Ini_Validate", "Fim_GotFocus"};
    QTest::newRow("Ini, mouse on Fim")
        << "Ini"
        << "mouse:Fim" << QStringList{"Ini_Validate", "Fim_GotFocus"};
    QTest::newRow("Fim, shift+tab to Ini")
        << "Fim"
        << "backtab" << QStringList{"Fim_Validate", "Ini_GotFocus"};
    QTest::newRow("Command1, mouse on Ini") << "Command1"
                                            << "mouse:Ini" << QStringList{"Ini_GotFocus"};
    QTest::newRow("Fim, mouse on Data")
        << "Fim"
        << "mouse:Pordata" << QStringList{"Fim_Validate", "Pordata_Click"};
    QTest::newRow("Ini, mouse on Testar Impressora")
        << "Ini"
        << "mouse:Command1" << QStringList{"Ini_Validate", "Command1_Click"};
    QTest::newRow("Ini, mouse on Ini") << "Ini"
                                       << "mouse:Ini" << QStringList{};
}

void tst_FormWindow::focusEvents() {
    QFETCH(QString, from);
    QFETCH(QString, action);
    QFETCH(QStringList, handlers);

    child(qPrintable(from))->setFocus(Qt::OtherFocusReason);
    QCOMPARE(QApplication::focusWidget(), child(qPrintable(from)));
    QSignalSpy started(form_.get(), &FormWindow::handlerStarting);

    if (action == QLatin1String("tab")) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } else if (action == QLatin1String("backtab")) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    } else {
        QWidget *target = child(qPrintable(action.mid(6)));
        QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    }
    QCOMPARE(handlerNames(started), handlers);
}

void tst_FormWindow::otherWindowIsNoValidate() {
    child("Fim")->setFocus(Qt::OtherFocusReason);
    QSignalSpy started(form_.get(), &FormWindow::handlerStarting);

    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(QApplication::activeWindow(), &other);

    for (const QString &handler : handlerNames(started)) {
        QVERIFY2(!handler.endsWith(QLatin1String("_Validate")),
                 "switching windows must not validate the box");
    }
}

// Every Click of the handler table.
void tst_FormWindow::buttonsRunTheirHandlers_data() {
    QTest::addColumn<QString>("handler");
    for (const auto &row : window::Form1::kHandlers) {
        if (row.handler.event == window::Event::Click) {
            QTest::newRow(qPrintable(nameOf(row.handler.control)))
                << QString::fromStdString(window::nameOf(row.handler));
        }
    }
}

// Each button runs its one handler, by mouse and by the space key; the option buttons NaImp and
// NoArq and typing into a box run nothing.
void tst_FormWindow::buttonsRunTheirHandlers() {
    QFETCH(QString, handler);
    auto *button = child<QAbstractButton>(QTest::currentDataTag());
    QSignalSpy started(form_.get(), &FormWindow::handlerStarting);

    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClicks(child("Text3"), "abc");
    QTest::mouseClick(child("NoArq"), Qt::LeftButton);
    QTest::mouseClick(child("NaImp"), Qt::LeftButton);
    QCOMPARE(handlerNames(started), QStringList({handler, handler}));
}

// 4 typed characters in a box that took the focus by reduction, 10 once dates are chosen; back
// to reductions a box keeps 10 until it next takes the focus.
void tst_FormWindow::typingLimits() {
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

QTEST_MAIN(tst_FormWindow)
#include "tst_form_window.moc"
