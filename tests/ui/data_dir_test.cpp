// Where the program finds its samples and help topics: beside itself in a build folder, in
// share/yarvelin when installed.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/data_dir.h"

using namespace yarvelin;

class DataDirTest : public QObject {
    Q_OBJECT
  private slots:
    void findsTheFolderHoldingTheData_data() {
        QTest::addColumn<QStringList>("folders");  // made under a scratch root; the program sits in bin
        QTest::addColumn<QString>("expected");     // relative to the root
        QTest::newRow("build folder: samples beside the program")
            << QStringList{QStringLiteral("bin/Samples")} << QStringLiteral("bin");
        QTest::newRow("build folder: only help beside the program")
            << QStringList{QStringLiteral("bin/help")} << QStringLiteral("bin");
        QTest::newRow("installed: bin and share/yarvelin")
            << QStringList{QStringLiteral("bin"), QStringLiteral("share/yarvelin/Samples"),
                           QStringLiteral("share/yarvelin/help")}
            << QStringLiteral("share/yarvelin");
        QTest::newRow("both: the folder beside the program wins")
            << QStringList{QStringLiteral("bin/Samples"), QStringLiteral("share/yarvelin/Samples")}
            << QStringLiteral("bin");
        QTest::newRow("share/yarvelin without data does not count")
            << QStringList{QStringLiteral("bin"), QStringLiteral("share/yarvelin")} << QStringLiteral("bin");
        QTest::newRow("nothing anywhere: the program's folder")
            << QStringList{QStringLiteral("bin")} << QStringLiteral("bin");
    }

    void findsTheFolderHoldingTheData() {
        QFETCH(QStringList, folders);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        for (const QString& folder : folders) {
            QVERIFY(QDir(root.path()).mkpath(folder));
        }
        QCOMPARE(DataDir(root.filePath(QStringLiteral("bin"))), root.filePath(expected));
    }
};

QTEST_MAIN(DataDirTest)
#include "data_dir_test.moc"
