// Installs this build into a temporary prefix, as "cmake --install" does for a user,
// and checks the layout the panel and the desktop rely on.
#include "app/Help.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class InstallTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void installed_data();
    void installed();
    void desktopEntry();
    void icons_data();
    void icons();
    void programFindsItsManual();

private:
    QTemporaryDir prefix_;
};

void InstallTest::initTestCase() {
#if !defined(KX_CMAKE_COMMAND) || !defined(KX_BUILD_DIR)
    QFAIL("the test was built without the build's cmake and directory");
#else
    QVERIFY(prefix_.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(KX_CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(KX_BUILD_DIR),
                   QStringLiteral("--prefix"), prefix_.path()});
    QVERIFY(install.waitForFinished(60'000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAll().constData());
#endif
}

void InstallTest::installed_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    QTest::newRow("panel") << "bin/kx-panel" << true;
    QTest::newRow("simulator") << "bin/kx-sim" << true;
    QTest::newRow("manual") << "share/doc/kx-panel/help.pdf" << false;
    QTest::newRow("desktop entry") << "share/applications/kx-panel.desktop" << false;
}

void InstallTest::installed() {
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo file(prefix_.filePath(path));
    QVERIFY2(file.isFile(), qPrintable(path));
    QVERIFY(file.size() > 0);
    QCOMPARE(file.isExecutable(), executable);
}

void InstallTest::desktopEntry() {
    QFile f(prefix_.filePath(QStringLiteral("share/applications/kx-panel.desktop")));
    QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
    for (const char* line :
         {"Type=Application", "Exec=kx-panel", "Icon=kx-panel", "Terminal=false"})
        QVERIFY2(lines.contains(QLatin1String(line)), line);
    QVERIFY(lines.contains(QStringLiteral("Categories=Development;Electronics;")));
}

void InstallTest::icons_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("24") << 24;
    QTest::newRow("48") << 48;
}

void InstallTest::icons() {
    QFETCH(int, size);
    const QString path =
        prefix_.filePath(QStringLiteral("share/icons/hicolor/%1x%1/apps/kx-panel.png").arg(size));
    const QImage icon(path);
    QVERIFY2(!icon.isNull(), qPrintable(path));
    QCOMPARE(icon.size(), QSize(size, size));
}

void InstallTest::programFindsItsManual() {
    // The lookup the installed program makes from its own directory.
    const QString expected =
        QFileInfo(prefix_.filePath(QStringLiteral("share/doc/kx-panel/help.pdf")))
            .absoluteFilePath();
    QCOMPARE(kx::findHelp(kx::helpDirectories(prefix_.filePath(QStringLiteral("bin")))), expected);
}

QTEST_MAIN(InstallTest)
#include "tst_install.moc"
