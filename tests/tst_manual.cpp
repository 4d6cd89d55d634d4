// The operator's manual, help.pdf, as the build wrote it beside the programs.
#include "support/Files.h"

#include "app/Help.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

namespace {

QByteArray manual() {
#ifdef KX_MANUAL_PDF
    return kxtest::readFile(QStringLiteral(KX_MANUAL_PDF));
#else
    return {};
#endif
}

int count(const QByteArray& pdf, const QString& pattern) {
    const QRegularExpression re(pattern);
    int n = 0;
    for (auto it = re.globalMatch(QString::fromLatin1(pdf)); it.hasNext(); it.next())
        ++n;
    return n;
}

} // namespace

class ManualTest : public QObject {
    Q_OBJECT
private slots:
    void built();
    void pagesAndPictures_data();
    void pagesAndPictures();
    void contentsGivePages();
    void foundBesideTheProgram();
};

void ManualTest::built() {
#ifndef KX_MANUAL_PDF
    QFAIL("the test was built without the manual's path");
#endif
    const QByteArray pdf = manual();
    QVERIFY2(!pdf.isEmpty(), "help.pdf is missing or empty");
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.trimmed().endsWith("%%EOF"));
}

void ManualTest::pagesAndPictures_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("atLeast");
    // Page objects, not the page tree ("/Type /Pages").
    QTest::newRow("several pages") << R"(/Type\s*/Page(?![a-zA-Z]))" << 8;
    QTest::newRow("pictures") << R"(/Subtype\s*/Image)" << 10;
    // The main window itself, at its width on screen.
    QTest::newRow("the panel's picture") << R"(/Subtype\s*/Image[^>]*/Width\s+959\b)" << 1;
}

void ManualTest::pagesAndPictures() {
    QFETCH(QString, pattern);
    QFETCH(int, atLeast);
    const QByteArray pdf = manual();
    QVERIFY(!pdf.isEmpty());
    const int found = count(pdf, pattern);
    QVERIFY2(found >= atLeast, qPrintable(QStringLiteral("%1 found").arg(found)));
}

void ManualTest::contentsGivePages() {
    // Every chapter has a row in the contents, in order, whose page is the one its
    // heading's anchor lands on.
#ifndef KX_MANUAL_SOURCE
    QFAIL("the test was built without the manual's source");
#else
    const QString html = QString::fromUtf8(kxtest::readFile(QStringLiteral(KX_MANUAL_SOURCE)));
    const QRegularExpression heading(
        QStringLiteral(R"re(<h1 class="chapter"><a name="([a-z-]+)">(\d+)&nbsp;)re"));
    const QRegularExpression row(QStringLiteral(
        R"re(<tr><td>(\d+)</td><td>[^<]+</td><td align="right">@@page:([a-z-]+)@@</td></tr>)re"));
    QStringList chapters;
    QStringList rows;
    for (auto it = heading.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        chapters << m.captured(2) + QLatin1Char(' ') + m.captured(1);
    }
    for (auto it = row.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        rows << m.captured(1) + QLatin1Char(' ') + m.captured(2);
    }
    QVERIFY(chapters.size() >= 6);
    QCOMPARE(rows, chapters);
    // The pages exist: the last chapter starts on a page of the manual.
    QVERIFY(count(manual(), QStringLiteral(R"(/Type\s*/Page(?![a-zA-Z]))")) > chapters.size());
#endif
}

void ManualTest::foundBesideTheProgram() {
#ifdef KX_MANUAL_PDF
    // The build puts the manual in the programs' directory, where Help looks first.
    const QString dir = QFileInfo(QStringLiteral(KX_MANUAL_PDF)).absolutePath();
    QCOMPARE(kx::findHelp(kx::helpDirectories(dir)),
             QFileInfo(QStringLiteral(KX_MANUAL_PDF)).absoluteFilePath());
#else
    QFAIL("the test was built without the manual's path");
#endif
}

QTEST_MAIN(ManualTest)
#include "tst_manual.moc"
