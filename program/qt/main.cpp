// SPDX-License-Identifier: MIT
// The operator program: one window, Form1.
#include <QApplication>

#include "qt/form1.h"

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zarvo"));
    QApplication::setApplicationVersion(QStringLiteral(ZARVO_VERSION));
    Form1 window;
    window.show();
    return app.exec();
}
