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

#include "window_test.h"

namespace {

struct Control {
    const char *name;
    const char *kind;
    const char *parent;
    const char *text;
    QRect geometry;  // pixels: the table's twips divided by 15
};

const Control kControls[] = {
    {"Command1", "QPushButton", "Form1", "Testar Impressora", {8, 16, 105, 25}},
    {"Label1", "QLabel", "Form1", "Relógio da Impressora:", {120, 0, 265, 25}},
    {"Text2", "QLineEdit", "Form1", "", {120, 16, 193, 25}},
    {"Label2", "QLabel", "Form1", "Porta:", {320, 0, 137, 25}},
    {"Text1", "QLineEdit", "Form1", "", {320, 16, 41, 25}},
    {"Label4", "QLabel", "Form1", "COO", {8, 48, 65, 17}},
    {"COO", "QLineEdit", "Form1", "", {8, 64, 65, 19}},
    {"Label5", "QLabel", "Form1", "CCF", {80, 48, 65, 17}},
    {"CCF", "QLineEdit", "Form1", "", {80, 64, 65, 19}},
    {"Label6", "QLabel", "Form1", "Papel", {152, 48, 65, 17}},
    {"PAPEL", "QLineEdit", "Form1", "", {152, 64, 65, 19}},
    {"Label7", "QLabel", "Form1", "Redução", {224, 48, 65, 17}},
    {"Reducao", "QLineEdit", "Form1", "", {224, 64, 65, 19}},
    {"Label8", "QLabel", "Form1", "Primeira LX", {296, 48, 65, 17}},
    {"LEITX", "QLineEdit", "Form1", "", {296, 64, 65, 19}},
    {"Command4", "QPushButton", "Form1", "Leitura X", {8, 96, 57, 25}},
    {"Frame1", "QGroupBox", "Form1", "Leitura da Memória Fiscal", {8, 128, 353, 129}},
    {"Frame2", "QGroupBox", "Frame1", "", {8, 24, 153, 57}},
    {"Porredu", "QRadioButton", "Frame2", "", {8, 16, 17, 17}},
    {"Label9", "QLabel", "Frame2", "Redução", {32, 16, 65, 17}},
    {"Pordata", "QRadioButton", "Frame2", "", {8, 32, 17, 17}},
    {"Label10", "QLabel", "Frame2", "Data", {32, 32, 57, 17}},
    {"Frame3", "QGroupBox", "Frame1", "", {192, 24, 153, 57}},
    {"NaImp", "QRadioButton", "Frame3", "", {8, 16, 17, 17}},
    {"Label11", "QLabel", "Frame3", "Impressora", {32, 16, 89, 17}},
    {"NoArq", "QRadioButton", "Frame3", "", {8, 32, 17, 17}},
    {"Label12", "QLabel", "Frame3", "Arquivo", {32, 32, 65, 17}},
    {"Label13", "QLabel", "Frame1", "Início:", {8, 88, 57, 17}},
    {"Ini", "QLineEdit", "Frame1", "0001", {48, 88, 81, 25}},
    {"Label14", "QLabel", "Frame1", "Fim:", {144, 88, 41, 17}},
    {"Fim", "QLineEdit", "Frame1", "1000", {168, 88, 81, 25}},
    {"LMF", "QPushButton", "Frame1", "Executa", {264, 88, 81, 25}},
    {"Command2", "QPushButton", "Form1", "Entrar : Horário de Verão", {24, 320, 129, 25}},
    {"Command3", "QPushButton", "Form1", "Sair : Horário de Verão", {160, 320, 129, 25}},
    {"Label3", "QLabel", "Form1", "Resposta:", {24, 368, 137, 25}},
    {"Text3", "QLineEdit", "Form1", "", {24, 384, 265, 25}},
};

const QStringList kTabOrder = {"Command1", "Text1",    "Text2",   "Command2", "Command3",
                               "Text3",    "Command4", "COO",     "CCF",      "PAPEL",
                               "Reducao",  "LEITX",    "Porredu", "Pordata",  "NaImp",
                               "NoArq",    "Ini",      "Fim",     "LMF"};

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

class tst_Form1 : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void onlyTheTableControls();
    void windowAndInitialState();
    void accessibleNames_data();
    void accessibleNames();
    void tabOrder();
    void optionGroupsExclude();
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

void tst_Form1::initTestCase() {
    useDouble();
}

void tst_Form1::init() {
    openWindow(Shown::active);
}

void tst_Form1::cleanup() {
    closeWindow();
}

void tst_Form1::controls_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");
    for (const Control &c : kControls) {
        QTest::newRow(c.name) << QString::fromLatin1(c.kind) << QString::fromLatin1(c.parent)
                              << QString::fromUtf8(c.text) << c.geometry;
    }
}

void tst_Form1::controls() {
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);

    QWidget *widget = child(QTest::currentDataTag());
    QVERIFY2(widget != nullptr, QTest::currentDataTag());
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), kind);
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(controlText(widget), text);
    QCOMPARE(widget->geometry(), geometry);
    QVERIFY(widget->isEnabled());
    QVERIFY(widget->isVisible());

    if (auto *box = qobject_cast<QLineEdit *>(widget)) {
        QVERIFY(!box->isReadOnly());
        QCOMPARE(box->maxLength(), 32767);  // the widget's own maximum: no limit set
    }
    if (kind == QLatin1String("QLabel") || kind == QLatin1String("QGroupBox")) {
        QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
    }
}

void tst_Form1::onlyTheTableControls() {
    QSet<QString> expected;
    for (const Control &c : kControls) {
        expected.insert(QString::fromLatin1(c.name));
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
    QCOMPARE(expected.size(), 36);
}

void tst_Form1::windowAndInitialState() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("ZARVO"));
    QCOMPARE(form_->size(), QSize(368, 452));
    QCOMPARE(QApplication::focusWidget(), child("Command1"));
    QVERIFY(child<QRadioButton>("Porredu")->isChecked());
    QVERIFY(!child<QRadioButton>("Pordata")->isChecked());
    QVERIFY(child<QRadioButton>("NaImp")->isChecked());
    QVERIFY(!child<QRadioButton>("NoArq")->isChecked());
    QCOMPARE(child<QLineEdit>("PAPEL")->palette().color(QPalette::Text), QColor(Qt::black));
    for (QAbstractButton *button : form_->findChildren<QAbstractButton *>()) {
        QCOMPARE(button->focusPolicy(), Qt::StrongFocus);
    }
}

void tst_Form1::accessibleNames_data() {
    QTest::addColumn<QString>("name");
    const char *rows[][2] = {
        {"Text2", "Relógio da Impressora"},
        {"Text1", "Porta"},
        {"COO", "COO"},
        {"CCF", "CCF"},
        {"PAPEL", "Papel"},
        {"Reducao", "Redução"},
        {"LEITX", "Primeira LX"},
        {"Porredu", "Redução"},
        {"Pordata", "Data"},
        {"NaImp", "Impressora"},
        {"NoArq", "Arquivo"},
        {"Ini", "Início"},
        {"Fim", "Fim"},
        {"Text3", "Resposta"},
    };
    for (const auto &row : rows) {
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]);
    }
}

void tst_Form1::accessibleNames() {
    QFETCH(QString, name);
    QCOMPARE(child(QTest::currentDataTag())->accessibleName(), name);
}

void tst_Form1::tabOrder() {
    QStringList chain;
    QWidget *widget = child("Command1");
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            chain << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != child("Command1"));
    QCOMPARE(chain, kTabOrder);

    // The Tab key stops at the selected button of each option pair only.
    QStringList expected = kTabOrder;
    expected.removeAll("Pordata");
    expected.removeAll("NoArq");
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 1; i <= expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected + QStringList{"Command1"});  // and round again
}

void tst_Form1::optionGroupsExclude() {
    auto *porredu = child<QRadioButton>("Porredu");
    auto *pordata = child<QRadioButton>("Pordata");
    auto *naImp = child<QRadioButton>("NaImp");
    auto *noArq = child<QRadioButton>("NoArq");

    QTest::mouseClick(pordata, Qt::LeftButton);
    QVERIFY(pordata->isChecked());
    QVERIFY(!porredu->isChecked());
    QVERIFY(naImp->isChecked());  // the other frame's pair is untouched

    QTest::mouseClick(noArq, Qt::LeftButton);
    QVERIFY(noArq->isChecked());
    QVERIFY(!naImp->isChecked());
    QVERIFY(pordata->isChecked());
}

void tst_Form1::optionLabelsSelect_data() {
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

void tst_Form1::optionLabelsSelect() {
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

    QSignalSpy started(form_.get(), &Form1::handlerStarting);
    QTest::mouseClick(child(QTest::currentDataTag()), Qt::LeftButton);

    QVERIFY(button->isChecked());
    QCOMPARE(QApplication::focusWidget(), button);
    QStringList expected{"Ini_Validate"};
    if (!handler.isEmpty()) {
        expected << handler;
    }
    QCOMPARE(handlerNames(started), expected);
}

void tst_Form1::focusEvents_data() {
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

void tst_Form1::focusEvents() {
    QFETCH(QString, from);
    QFETCH(QString, action);
    QFETCH(QStringList, handlers);

    child(qPrintable(from))->setFocus(Qt::OtherFocusReason);
    QCOMPARE(QApplication::focusWidget(), child(qPrintable(from)));
    QSignalSpy started(form_.get(), &Form1::handlerStarting);

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

void tst_Form1::otherWindowIsNoValidate() {
    child("Fim")->setFocus(Qt::OtherFocusReason);
    QSignalSpy started(form_.get(), &Form1::handlerStarting);

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

void tst_Form1::buttonsRunTheirHandlers_data() {
    QTest::addColumn<QString>("handler");
    QTest::newRow("Command1") << "Command1_Click";
    QTest::newRow("Command2") << "Command2_Click";
    QTest::newRow("Command3") << "Command3_Click";
    QTest::newRow("Command4") << "Command4_Click";
    QTest::newRow("LMF") << "LMF_Click";
    QTest::newRow("Porredu") << "Porredu_Click";
    QTest::newRow("Pordata") << "Pordata_Click";
}

// Each button runs its one handler, by mouse and by the space key; the option buttons NaImp and
// NoArq and typing into a box run nothing.
void tst_Form1::buttonsRunTheirHandlers() {
    QFETCH(QString, handler);
    auto *button = child<QAbstractButton>(QTest::currentDataTag());
    QSignalSpy started(form_.get(), &Form1::handlerStarting);

    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClicks(child("Text3"), "abc");
    QTest::mouseClick(child("NoArq"), Qt::LeftButton);
    QTest::mouseClick(child("NaImp"), Qt::LeftButton);
    QCOMPARE(handlerNames(started), QStringList({handler, handler}));
}

// 4 typed characters in a box that took the focus by reduction, 10 once dates are chosen; back
// to reductions a box keeps 10 until it next takes the focus.
void tst_Form1::typingLimits() {
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
void tst_Form1::badInputInEveryBox() {
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
    const fake_call reading = fake_->call(1);
    QCOMPARE(QByteArray(reading.command, reading.count), QByteArray(".15\x01\t\x1b?\x01\t\x1b?#"));
    QCOMPARE(calls().count(QStringLiteral("Fecha 0")), 5);
}

QTEST_MAIN(tst_Form1)
#include "tst_form1.moc"
