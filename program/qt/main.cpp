// SPDX-License-Identifier: MIT
// The operator program: one window, Form1, working in the current directory or, as the menu
// entry starts it (--in-documents), in the Zarvo folder of the user's documents.
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include "qt/form_window.h"
#include "qt/work_folder.h"

namespace window = zarvo::window;

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zarvo"));
    QApplication::setApplicationVersion(QStringLiteral(ZARVO_VERSION));
    QCommandLineParser options;
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption inDocuments(
        QStringLiteral("in-documents"),
        QStringLiteral("Work in the folder Zarvo of the documents folder, made if missing, instead "
                       "of the current directory (the menu entry starts the window so)."));
    options.addOption(inDocuments);
    options.process(app);
    if (options.isSet(inDocuments)) {
        const QString failure = window::qt::enterDocumentsFolder();
        if (!failure.isEmpty()) {
            QMessageBox::critical(nullptr,
                                  QString::fromUtf16(window::kFormCaption.data(),
                                                     qsizetype(window::kFormCaption.size())),
                                  failure);
            return 1;
        }
    }
    window::qt::FormWindow form;
    form.show();
    return app.exec();
}
