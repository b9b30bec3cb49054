// SPDX-License-Identifier: MIT
// Preloaded into the installed window by the package test: once the application starts, it
// presses "Testar Impressora" as a user would, prints what the window then shows and which
// link library got loaded, and ends the program. Nothing of it is in the window itself.
#include <link.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <string>

namespace {

QString textOf(const QString &accessibleName) {
    for (QWidget *widget : QApplication::allWidgets()) {
        auto *box = qobject_cast<QLineEdit *>(widget);
        if (box != nullptr && box->accessibleName() == accessibleName) {
            return box->text();
        }
    }
    return QStringLiteral("(no box named %1)").arg(accessibleName);
}

int printLinkLibrary(dl_phdr_info *info, size_t, void *) {
    const std::string path = info->dlpi_name != nullptr ? info->dlpi_name : "";
    if (path.find("libZarvo.so") != std::string::npos) {
        std::printf("library: %s\n", path.c_str());
    }
    return 0;
}

void pressPrinterTest() {
    QPushButton *button = nullptr;
    for (QWidget *widget : QApplication::allWidgets()) {
        auto *candidate = qobject_cast<QPushButton *>(widget);
        if (candidate != nullptr &&
            candidate->text().remove(QLatin1Char('&')) == QStringLiteral("Testar Impressora")) {
            button = candidate;
        }
    }
    if (button == nullptr || !button->isVisible()) {
        std::printf("no visible button \"Testar Impressora\"\n");
        QCoreApplication::exit(2);
        return;
    }
    // The press returns once its handler has run, the exchanges included.
    button->click();
    std::printf("port: %s\n", textOf(QStringLiteral("Porta")).toUtf8().constData());
    std::printf("clock: %s\n",
                textOf(QStringLiteral("Relógio da Impressora")).toUtf8().constData());
    dl_iterate_phdr(printLinkLibrary, nullptr);
    std::fflush(stdout);
    QCoreApplication::exit(0);
}

void startDriver() {
    // Once the window's main has shown the window and entered the event loop.
    QTimer::singleShot(0, &pressPrinterTest);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(startDriver)
