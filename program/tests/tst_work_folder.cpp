// SPDX-License-Identifier: MIT
// Where a window started from the menu works: the Zarvo folder of the user's documents.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "work_folder.h"

namespace WorkFolder = zarvo::window::qt::WorkFolder;

class TestWorkFolder : public QObject {
    Q_OBJECT

  private slots:
    // A fresh home for each case.
    void init() {
        m_homeDir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_homeDir->isValid());
        m_startDir = QDir::currentPath();
        qputenv("HOME", QFile::encodeName(m_homeDir->path()));
        qputenv("XDG_CONFIG_HOME",
                QFile::encodeName(m_homeDir->filePath(QStringLiteral(".config"))));
    }

    void cleanup() { QDir::setCurrent(m_startDir); }

    // A Portuguese desktop names its documents folder in user-dirs.dirs.
    void followsTheDesktopsDocumentsFolder() {
        QVERIFY(QDir(m_homeDir->path()).mkpath(QStringLiteral(".config")));
        QFile dirs(m_homeDir->filePath(QStringLiteral(".config/user-dirs.dirs")));
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_DOCUMENTS_DIR=\"$HOME/Documentos\"\n");
        dirs.close();
        QCOMPARE(WorkFolder::documentsFolder(),
                 m_homeDir->filePath(QStringLiteral("Documentos/Zarvo")));
        QVERIFY(dirs.remove());
    }

    // Made on the first start; on the next, what the window wrote there is still there.
    void madeOnFirstStartAndEnteredAfterwards() {
        const QString folder = m_homeDir->filePath(QStringLiteral("Documents/Zarvo"));
        QCOMPARE(WorkFolder::enterDocumentsFolder(), QString());
        QCOMPARE(QDir::currentPath(), folder);
        QFile reading(QStringLiteral("LeitM.txt"));
        QVERIFY(reading.open(QIODevice::WriteOnly));
        reading.write("block\r\n");
        reading.close();

        QDir::setCurrent(m_startDir);
        QCOMPARE(WorkFolder::enterDocumentsFolder(), QString());
        QCOMPARE(QDir::currentPath(), folder);
        QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("LeitM.txt"))));
    }

    // A plain file where the documents folder should be: the message names the folder and the
    // system's reason, and the window stays where it was.
    void aFolderThatCannotBeMadeIsNamedWithTheReason() {
        QFile blocker(m_homeDir->filePath(QStringLiteral("Documents")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString message = WorkFolder::enterDocumentsFolder();
        QVERIFY2(message.contains(m_homeDir->filePath(QStringLiteral("Documents/Zarvo"))),
                 qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("Motivo: ")) &&
                     !message.endsWith(QStringLiteral("Motivo: ")),
                 qPrintable(message));
        QCOMPARE(QDir::currentPath(), m_startDir);
        QVERIFY(blocker.remove());
    }

  private:
    std::unique_ptr<QTemporaryDir> m_homeDir;
    QString m_startDir;
};

QTEST_GUILESS_MAIN(TestWorkFolder)
#include "tst_work_folder.moc"
