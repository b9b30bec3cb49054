// SPDX-License-Identifier: MIT
#include "qt/work_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

namespace zarvo::window::qt {

QString documentsFolder() {
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) {
        documents = QDir::homePath() + QStringLiteral("/Documents");
    }
    return QDir(documents).filePath(QStringLiteral("Zarvo"));
}

QString enterDocumentsFolder() {
    const QString folder = documentsFolder();
    const std::filesystem::path path(QFile::encodeName(folder).toStdString());
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!error) {
        std::filesystem::current_path(path, error);
    }
    if (!error) {
        return {};
    }
    return QCoreApplication::translate("WorkFolder",
                                       "Não foi possível usar a pasta de trabalho %1.\nMotivo: %2")
        .arg(folder, QString::fromLocal8Bit(error.message()));
}

}  // namespace zarvo::window::qt
