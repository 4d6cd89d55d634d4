// Installs this build into a temporary prefix, as "cmake --install" does for a user,
// and checks the layout the panel and the desktop rely on.
#include "support/Files.h"

#include "app/Help.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>

namespace {

QString sourcePath(const QString& path) {
#ifdef KX_SOURCE_DIR
    return QStringLiteral(KX_SOURCE_DIR "/") + path;
#else
    return path;
#endif
}

// The output of a program run to its end; empty when it failed.
QByteArray output(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30'000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

} // namespace

class InstallTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void installed_data();
    void installed();
    void compressed_data();
    void compressed();
    void everyProgramHasAManualPage();
    void pageNamesEveryOption_data();
    void pageNamesEveryOption();
    void versions_data();
    void versions();
    void docFolderLeadsToTheManual();
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
    QTest::newRow("command line") << "bin/kx-ctl" << true;
    QTest::newRow("server") << "bin/kx-server" << true;
    QTest::newRow("manual") << "share/kx-panel/help.pdf" << false;
    QTest::newRow("manual in the doc folder") << "share/doc/kx-panel/help.pdf" << false;
    QTest::newRow("copyright") << "share/doc/kx-panel/copyright" << false;
    QTest::newRow("changelog") << "share/doc/kx-panel/changelog.gz" << false;
    QTest::newRow("panel's manual page") << "share/man/man1/kx-panel.1.gz" << false;
    QTest::newRow("simulator's manual page") << "share/man/man1/kx-sim.1.gz" << false;
    QTest::newRow("command line's manual page") << "share/man/man1/kx-ctl.1.gz" << false;
    QTest::newRow("server's manual page") << "share/man/man1/kx-server.1.gz" << false;
    QTest::newRow("desktop entry") << "share/applications/kx-panel.desktop" << false;
    QTest::newRow("metainfo") << "share/metainfo/org.example.kx_panel.metainfo.xml" << false;
}

void InstallTest::installed() {
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo file(prefix_.filePath(path));
    QVERIFY2(file.isFile(), qPrintable(path));
    QVERIFY(file.size() > 0);
    QCOMPARE(file.isExecutable(), executable);
}

void InstallTest::compressed_data() {
    // Installed as Debian wants: gzip -9n of the file in the tree.
    QTest::addColumn<QString>("installed");
    QTest::addColumn<QString>("source");
    QTest::newRow("changelog") << "share/doc/kx-panel/changelog.gz"
                               << "packaging/changelog";
    QTest::newRow("kx-panel.1") << "share/man/man1/kx-panel.1.gz"
                                << "docs/man/kx-panel.1";
    QTest::newRow("kx-sim.1") << "share/man/man1/kx-sim.1.gz"
                              << "docs/man/kx-sim.1";
    QTest::newRow("kx-ctl.1") << "share/man/man1/kx-ctl.1.gz"
                              << "docs/man/kx-ctl.1";
    QTest::newRow("kx-server.1") << "share/man/man1/kx-server.1.gz"
                                 << "docs/man/kx-server.1";
}

void InstallTest::compressed() {
    QFETCH(QString, installed);
    QFETCH(QString, source);
    const QString path = prefix_.filePath(installed);
    const QByteArray gz = kxtest::readFile(path);
    QVERIFY2(gz.size() > 10, qPrintable(path));
    // Magic, deflate; no file name (flag 8) and no time stamp: -n. Extra flags 2: -9.
    QCOMPARE(QByteArray::fromRawData(gz.constData(), 3), QByteArray("\x1f\x8b\x08"));
    QCOMPARE(gz[3] & 0x08, 0);
    QCOMPARE(gz.mid(4, 4), QByteArray(4, '\0'));
    QCOMPARE(int(gz[8]), 2);
    const QByteArray text = output(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
    QVERIFY(!text.isEmpty());
    QCOMPARE(text, kxtest::readFile(sourcePath(source)));
}

void InstallTest::everyProgramHasAManualPage() {
    const QDir bin(prefix_.filePath(QStringLiteral("bin")));
    const QStringList programs = bin.entryList(QDir::Files);
    QVERIFY(programs.contains(QStringLiteral("kx-panel")));
    for (const QString& program : programs) {
        const QString page = QStringLiteral("share/man/man1/%1.1.gz").arg(program);
        QVERIFY2(QFileInfo(prefix_.filePath(page)).isFile(), qPrintable(page));
    }
}

void InstallTest::pageNamesEveryOption_data() {
    // What a program's --help lists, each in its manual page (roff escapes the dashes):
    // its options, and kx-ctl's commands and settings too.
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("listed");
    QTest::addColumn<int>("fewest");
    QTest::newRow("kx-sim") << "kx-sim"
                            << "--([a-z][a-z-]*)" << 8;
    QTest::newRow("kx-ctl") << "kx-ctl"
                            << "--([a-z][a-z-]*)|^  ([a-z][a-z-]+) " << 30;
    QTest::newRow("kx-server") << "kx-server"
                               << "--([a-z][a-z-]*)" << 6;
}

void InstallTest::pageNamesEveryOption() {
    QFETCH(QString, program);
    QFETCH(QString, listed);
    QFETCH(int, fewest);
    const QString help = QString::fromUtf8(
        output(prefix_.filePath(QStringLiteral("bin/") + program), {QStringLiteral("--help")}));
    const QString page = QString::fromUtf8(
        kxtest::readFile(sourcePath(QStringLiteral("docs/man/%1.1").arg(program))));
    QStringList names;
    const QRegularExpression name(listed, QRegularExpression::MultilineOption);
    for (auto it = name.globalMatch(help); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        names << (m.captured(1).isEmpty() ? m.captured(2) : QStringLiteral("--") + m.captured(1));
    }
    names.removeDuplicates();
    QVERIFY2(names.size() >= fewest, qPrintable(help));
    QStringList missing;
    for (const QString& n : names) {
        if (!page.contains(QString(n).replace(u'-', QStringLiteral("\\-"))))
            missing << n;
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
}

void InstallTest::versions_data() {
    // Each packaging text names the program's version.
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("changelog") << "packaging/changelog"
                               << R"(^kx-panel \(%1\) )";
    QTest::newRow("metainfo") << "packaging/org.example.kx_panel.metainfo.xml"
                              << R"(<release version="%1")";
    QTest::newRow("kx-panel.1") << "docs/man/kx-panel.1"
                                << R"(^\.TH KX-PANEL 1 "[-0-9]+" "kx-panel %1")";
    QTest::newRow("kx-sim.1") << "docs/man/kx-sim.1"
                              << R"(^\.TH KX-SIM 1 "[-0-9]+" "kx-panel %1")";
    QTest::newRow("kx-ctl.1") << "docs/man/kx-ctl.1"
                              << R"(^\.TH KX-CTL 1 "[-0-9]+" "kx-panel %1")";
    QTest::newRow("kx-server.1") << "docs/man/kx-server.1"
                                 << R"(^\.TH KX-SERVER 1 "[-0-9]+" "kx-panel %1")";
}

void InstallTest::versions() {
    QFETCH(QString, source);
    QFETCH(QString, pattern);
#ifndef KX_VERSION
    QFAIL("the test was built without the program's version");
#else
    const QString text = QString::fromUtf8(kxtest::readFile(sourcePath(source)));
    QVERIFY2(!text.isEmpty(), qPrintable(source));
    const QRegularExpression re(pattern.arg(QRegularExpression::escape(QStringLiteral(KX_VERSION))),
                                QRegularExpression::MultilineOption);
    QVERIFY2(re.match(text).hasMatch(), qPrintable(source));
#endif
}

void InstallTest::docFolderLeadsToTheManual() {
    const QFileInfo doc(prefix_.filePath(QStringLiteral("share/doc/kx-panel/help.pdf")));
    const QFileInfo manual(prefix_.filePath(QStringLiteral("share/kx-panel/help.pdf")));
    QVERIFY(manual.isFile());
    // A relative link, so the installed tree can move.
    QVERIFY(doc.isSymLink());
    QCOMPARE(doc.canonicalFilePath(), manual.canonicalFilePath());
    QVERIFY(std::filesystem::read_symlink(QFile::encodeName(doc.filePath()).toStdString())
                .is_relative());
}

void InstallTest::desktopEntry() {
    const QStringList lines = QString::fromUtf8(kxtest::readFile(prefix_.filePath(QStringLiteral(
                                                    "share/applications/kx-panel.desktop"))))
                                  .split(QLatin1Char('\n'));
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
        QFileInfo(prefix_.filePath(QStringLiteral("share/kx-panel/help.pdf"))).absoluteFilePath();
    QCOMPARE(kx::findHelp(kx::helpDirectories(prefix_.filePath(QStringLiteral("bin")))), expected);
}

QTEST_MAIN(InstallTest)
#include "tst_install.moc"
