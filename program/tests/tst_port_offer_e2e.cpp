// SPDX-License-Identifier: MIT
// A technician's first printer test with the printer on a USB adapter and no environment
// variable, through the real link library and serial layer: the test fails, the window offers the
// adapters it sees, one choice makes the printer's adapter port 1, and the next test fills every
// box. The adapters are pseudo-terminals behind a recorded sysfs tree: the simulator on one, a
// line that must hear nothing on the other.
#include <QDialogButtonBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <filesystem>

#include "window_test.h"

namespace fs = std::filesystem;

class tst_PortOfferE2E : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();
    void printerOnAnAdapterIsFoundThroughTheOffer();

  private:
    void click(const char *button) { child<QPushButton>(button)->click(); }
    /// The recorded tree with its two USB device nodes made links to @p printer and @p other.
    void makeTree(const std::string &printer, const std::string &other);

    fs::path tree_;
};

void tst_PortOfferE2E::initTestCase() {
    SKIP_WITHOUT_PSEUDO_TERMINALS();
}

void tst_PortOfferE2E::init() {
    // Nothing names ports 1 and 2 but the ports file, whose devices were unplugged: neither can
    // reach a serial port of this machine.
    qunsetenv("API232_PORT1");
    qunsetenv("API232_PORT2");
    openWindow(Shown::hidden);
    const fs::path config = scratch_->path() / "config";
    fs::create_directories(config / "zarvo");
    zarvo::testing::write_file(
        config / "zarvo/ports",
        "# the adapters of another day\n1 = " + (config / "gone-1").string() +
            "\n2 = " + (config / "gone-2").string() + "\n");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.string()));
}

void tst_PortOfferE2E::cleanup() {
    closeWindow();
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("API232_LIST_ROOT", "/nonexistent/zarvo-test-listing");
}

void tst_PortOfferE2E::makeTree(const std::string &printer, const std::string &other) {
    tree_ = scratch_->path() / "root";
    fs::copy(fs::path(SYSFS_TREES) / "pc", tree_,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    for (const auto &[node, target] :
         {std::pair{"ttyUSB0", printer}, std::pair{"ttyACM0", other}}) {
        fs::remove(tree_ / "dev" / node);
        fs::create_symlink(target, tree_ / "dev" / node);
    }
    qputenv("API232_LIST_ROOT", QByteArray::fromStdString(tree_.string()));
}

void tst_PortOfferE2E::printerOnAnAdapterIsFoundThroughTheOffer() {
    zarvo::testing::PrinterSimulator printer(ZARVO_SIM_PATH, simulatorOptions({"--coo", "4711"}));
    QVERIFY2(!printer.device().empty(), "printer simulator: no device");
    zarvo::testing::PseudoTerminal other(255);  // its master side listens
    QVERIFY(other.ok());
    qunsetenv("API232_PORT255");
    makeTree(printer.device(), other.path());

    click("Command1");
    QCOMPARE(box("Text2")->text(), QStringLiteral("Impressora não Conectada"));
    auto *dialog = form_->findChild<QDialog *>(QStringLiteral("choiceDialog"));
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->isModal() || dialog->windowModality() == Qt::WindowModal);
    auto *list = dialog->findChild<QListWidget *>(QStringLiteral("choices"));
    QCOMPARE(list->count(), 3);
    const auto adapter = list->findItems(QStringLiteral("FTDI FT232R USB UART"), Qt::MatchContains);
    QCOMPARE(adapter.size(), 1);
    QVERIFY(adapter[0]->text().endsWith(QString::fromStdString((tree_ / "dev/ttyUSB0").string())));
    list->setCurrentItem(adapter[0]);
    dialog->findChild<QDialogButtonBox *>()->buttons().at(0)->click();  // "Usar como porta 1"

    // The choice is recorded by the adapter's stable name, the old line for port 1 replaced.
    const fs::path ports = scratch_->path() / "config/zarvo/ports";
    QTRY_VERIFY(zarvo::testing::read_file(ports).find("usb-FTDI") != std::string::npos);
    const std::string saved = zarvo::testing::read_file(ports);
    QVERIFY2(
        saved.find(
            "# the adapters of another day\n1 = " +
            (tree_ / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3D4-if00-port0").string() +
            "\n2 = ") == 0,
        saved.c_str());
    QTRY_VERIFY(form_->findChild<QMessageBox *>() != nullptr &&
                form_->findChild<QMessageBox *>()->text().startsWith("A porta 1 agora é"));

    // The printer answers on port 1 (how the printer test fills the rest is
    // tst_printer_test_e2e's).
    click("Command1");
    QCOMPARE(QStringList({box("Text1")->text(), box("COO")->text()}),
             QStringList({"com 1", "004711"}));
    QCOMPARE(QString::fromStdString(other.receive(1, 200)),
             QString());  // never chosen, never sent to
}

QTEST_MAIN(tst_PortOfferE2E)
#include "tst_port_offer_e2e.moc"
