#include "app/About.h"
#include "app/Help.h"
#include "app/modCloseBtn.h"
#include "support/Rig.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>

#include <thread>

using namespace kxtest;

namespace {

const QString versionText = QStringLiteral("Version: 1.0.1   4/10/13");

bool hasCloseHint(const QWidget& w) { return w.windowFlags().testFlag(Qt::WindowCloseButtonHint); }

// The two lines of Text1.
QStringList lines(const QPlainTextEdit* text) {
    QStringList out;
    for (QTextBlock b = text->document()->begin(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

// What a loaded About window showed.
struct Seen {
    QString title;
    QString label;
    QStringList text;
    bool closeEnabled = true;
    bool closeHint = true;
    bool closedByTitleBar = true;
    bool modal = false;
};

Seen look(kx::About& about) {
    Seen s;
    s.title = about.windowTitle();
    s.label = about.findChild<QLabel*>(QStringLiteral("Label1"))->text();
    s.text = lines(about.findChild<QPlainTextEdit*>(QStringLiteral("Text1")));
    s.closeEnabled = kx::isCloseButtonEnabled(&about);
    s.closeHint = hasCloseHint(about);
    s.closedByTitleBar = about.close();
    s.modal = about.isModal() && about.windowModality() == Qt::ApplicationModal;
    return s;
}

// Writes an empty manual into `dir`.
void putManual(const QString& dir) {
    QVERIFY(QDir().mkpath(dir));
    QFile f(dir + QStringLiteral("/help.pdf"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4\n");
}

} // namespace

class AboutHelpTest : public QObject {
    Q_OBJECT
private slots:
    void aboutForm();
    void aboutLoadedTwiceFromTheMenu();
    void formLoadSetsVersionAndDisablesCloseAgain();
    void closeButtonCloses();
    void titleBarCloseRefusedWhileDisabled();
    void closeSwitchStatuses_data();
    void closeSwitchStatuses();
    void closeSwitchRefusesOtherThreads();
    void helpDirectories();
    void helpLookup_data();
    void helpLookup();
    void missingHelpIsSilent();
};

void AboutHelpTest::aboutForm() {
    kx::About about;
    QCOMPARE(about.windowTitle(), QStringLiteral("Form1"));
    auto* image = about.findChild<QLabel*>(QStringLiteral("Image1"));
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(200, 38));
    QCOMPARE(image->pixmap().size(), QSize(200, 38));
    QVERIFY(about.findChild<QFrame*>(QStringLiteral("Shape1")));
    auto* close = about.findChild<QPushButton*>(QStringLiteral("closeBtn"));
    QVERIFY(close);
    QCOMPARE(close->text(), QStringLiteral("Close"));
    // Two lines, the project's name and its rights notice, given as one text with CR LF.
    auto* text = about.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
    QVERIFY(text);
    QCOMPARE(lines(text), (QStringList{kx::About::projectName(), kx::About::rightsNotice()}));
    QVERIFY(kx::About::projectName().contains(QLatin1String("kx-panel")));
    QVERIFY(text->isReadOnly());
}

void AboutHelpTest::aboutLoadedTwiceFromTheMenu() {
    Rig rig;
    rig.main().show();
    QList<Seen> seen;
    const auto lookAndClose = [&seen] {
        auto* about = qobject_cast<kx::About*>(QApplication::activeModalWidget());
        QVERIFY(about);
        seen << look(*about);
        about->findChild<QPushButton*>(QStringLiteral("closeBtn"))->click();
    };
    for (int i = 0; i < 2; ++i) {
        QTimer::singleShot(0, &rig.main(), lookAndClose);
        kx::About::showModal(&rig.main()); // returns once Close was pressed
        QVERIFY(!QApplication::activeModalWidget());
    }
    QCOMPARE(seen.size(), 2);
    for (const Seen& s : seen) {
        QCOMPARE(s.title, QStringLiteral("Form1"));
        QCOMPARE(s.label, versionText);
        QCOMPARE(s.text.size(), 2);
        QVERIFY(!s.closeEnabled);
        QVERIFY(!s.closeHint);
        QVERIFY(!s.closedByTitleBar);
        QVERIFY(s.modal);
    }
    // The main window was left alone.
    QVERIFY(rig.main().isVisible());
    QCOMPARE(rig.quits(), 0);
}

void AboutHelpTest::formLoadSetsVersionAndDisablesCloseAgain() {
    kx::About about;
    auto* label = about.findChild<QLabel*>(QStringLiteral("Label1"));
    QCOMPARE(label->text(), versionText);
    QVERIFY(!kx::isCloseButtonEnabled(&about));
    // Undo what the load did; loading again puts it back.
    label->setText(QStringLiteral("Version"));
    QCOMPARE(kx::setCloseButtonEnabled(&about, true), short(0));
    QVERIFY(kx::isCloseButtonEnabled(&about));
    about.Form_Load();
    QCOMPARE(label->text(), versionText);
    QVERIFY(!kx::isCloseButtonEnabled(&about));
    QVERIFY(!hasCloseHint(about));
    QCOMPARE(lines(about.findChild<QPlainTextEdit*>(QStringLiteral("Text1"))).size(), 2);
}

void AboutHelpTest::closeButtonCloses() {
    kx::About about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    about.findChild<QPushButton*>(QStringLiteral("closeBtn"))->click();
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
}

void AboutHelpTest::titleBarCloseRefusedWhileDisabled() {
    kx::About about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    // A close request as the window manager sends it, a close() and the Escape key.
    // (the window system's request goes to the window's native handle).
    QCloseEvent fromWindowManager;
    QCoreApplication::sendEvent(about.windowHandle(), &fromWindowManager);
    QVERIFY(!fromWindowManager.isAccepted());
    QVERIFY(!about.close());
    QTest::keyClick(&about, Qt::Key_Escape);
    QVERIFY(about.isVisible());
    // Enabled again, the title-bar close closes it.
    QCOMPARE(kx::setCloseButtonEnabled(&about, true), short(0));
    QVERIFY(about.close());
    QVERIFY(!about.isVisible());
}

// A window on screen must not be hidden by the switch: a modal dialog would end.
void AboutHelpTest::closeSwitchStatuses_data() {
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("disabledBefore");
    QTest::addColumn<bool>("enable");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("enabledAfter");

    QTest::newRow("disable") << false << false << false << 0 << false;
    QTest::newRow("disable twice: nothing changes") << false << true << false << 0 << false;
    QTest::newRow("enable after disable") << false << true << true << 0 << true;
    QTest::newRow("enable when enabled: nothing changes") << false << false << true << 0 << true;
    QTest::newRow("shown: disable, stays shown") << true << false << false << 0 << false;
    QTest::newRow("shown: enable after disable, stays shown") << true << true << true << 0 << true;
}

void AboutHelpTest::closeSwitchStatuses() {
    QFETCH(bool, shown);
    QFETCH(bool, disabledBefore);
    QFETCH(bool, enable);
    QFETCH(int, status);
    QFETCH(bool, enabledAfter);

    QDialog window;
    if (shown) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    if (disabledBefore)
        QCOMPARE(kx::setCloseButtonEnabled(&window, false), short(0));
    const Qt::WindowFlags flagsBefore = window.windowFlags();
    const int childrenBefore = int(window.children().size());

    QCOMPARE(int(kx::setCloseButtonEnabled(&window, enable)), status);
    QCOMPARE(kx::isCloseButtonEnabled(&window), enabledAfter);
    QCOMPARE(hasCloseHint(window), enabledAfter);
    if (shown) {
        QVERIFY(window.isVisible());
        QCOMPARE(window.windowHandle()->flags().testFlag(Qt::WindowCloseButtonHint), enabledAfter);
    }
    QCOMPARE(window.close(), enabledAfter);
    if (disabledBefore == !enabledAfter) {
        // Already in that state: nothing was touched.
        QCOMPARE(window.windowFlags(), flagsBefore);
        QCOMPARE(int(window.children().size()), childrenBefore);
    }
}

void AboutHelpTest::closeSwitchRefusesOtherThreads() {
    // Not a window: a null pointer, or a widget inside another.
    QCOMPARE(kx::setCloseButtonEnabled(nullptr, false), short(-1));
    QDialog window;
    auto* child = new QPushButton(&window);
    const Qt::WindowFlags childFlags = child->windowFlags();
    QCOMPARE(kx::setCloseButtonEnabled(child, false), short(-1));
    QCOMPARE(child->windowFlags(), childFlags);
    QVERIFY(child->children().isEmpty());
    QVERIFY(kx::isCloseButtonEnabled(&window));

    // From a thread other than the window's: refused before anything changes.
    const Qt::WindowFlags flags = window.windowFlags();
    short status = 1;
    std::thread other([&] { status = kx::setCloseButtonEnabled(&window, false); });
    other.join();
    QCOMPARE(status, short(-2));
    QVERIFY(kx::isCloseButtonEnabled(&window));
    QCOMPARE(window.windowFlags(), flags);
}

void AboutHelpTest::helpDirectories() {
    QCOMPARE(kx::helpDirectories(QStringLiteral("/opt/kx/bin")),
             (QStringList{QStringLiteral("/opt/kx/bin"), QStringLiteral("/opt/kx/share/kx-panel"),
                          QStringLiteral("/opt/kx/share/doc/kx-panel")}));
    QCOMPARE(kx::helpDirectories(QStringLiteral("/usr/bin/")).value(1),
             QStringLiteral("/usr/share/kx-panel"));
    // By default, from the program's own directory.
    QCOMPARE(kx::helpDirectories().value(0),
             QDir::cleanPath(QCoreApplication::applicationDirPath()));
}

void AboutHelpTest::helpLookup_data() {
    // Where manuals are put under a prefix with bin/, share/kx-panel/ and
    // share/doc/kx-panel/; whether the desktop can show a PDF; which one is opened
    // ("" = none) and whether a box then names it.
    QTest::addColumn<QStringList>("manuals");
    QTest::addColumn<bool>("desktopShows");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<bool>("box");

    QTest::newRow("beside the program") << QStringList{"bin"} << true << "bin" << false;
    QTest::newRow("installed") << QStringList{"share/kx-panel"} << true << "share/kx-panel"
                               << false;
    QTest::newRow("in the doc directory")
        << QStringList{"share/doc/kx-panel"} << true << "share/doc/kx-panel" << false;
    QTest::newRow("beside and installed: the program's own first")
        << QStringList{"share/kx-panel", "bin"} << true << "bin" << false;
    QTest::newRow("installed and in the doc directory: the installed one first")
        << QStringList{"share/doc/kx-panel", "share/kx-panel"} << true << "share/kx-panel" << false;
    QTest::newRow("elsewhere only")
        << QStringList{"share", "share/doc", "lib/kx-panel"} << true << "" << false;
    QTest::newRow("none") << QStringList{} << true << "" << false;
    QTest::newRow("no PDF viewer: the box gives the path")
        << QStringList{"share/kx-panel"} << false << "share/kx-panel" << true;
    QTest::newRow("no PDF viewer, manual beside the program")
        << QStringList{"bin"} << false << "bin" << true;
    QTest::newRow("no PDF viewer and no manual: silent") << QStringList{} << false << "" << false;
}

void AboutHelpTest::helpLookup() {
    QFETCH(QStringList, manuals);
    QFETCH(bool, desktopShows);
    QFETCH(QString, opened);
    QFETCH(bool, box);

    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
    for (const QString& dir : manuals)
        putManual(prefix.filePath(dir));

    MessageRecorder boxes;
    QList<QUrl> urls;
    const bool found =
        kx::openHelp(boxes, kx::helpDirectories(prefix.filePath(QStringLiteral("bin"))),
                     [&urls, desktopShows](const QUrl& url) {
                         urls << url;
                         return desktopShows;
                     });
    if (opened.isEmpty()) {
        QVERIFY(!found);
        QVERIFY(urls.isEmpty());
    } else {
        const QString expected = QDir::cleanPath(prefix.filePath(opened) + "/help.pdf");
        QVERIFY(found);
        QCOMPARE(urls, QList<QUrl>{QUrl::fromLocalFile(expected)});
    }
    QStringList shown;
    for (const MessageRecorder::Box& b : boxes.boxes)
        shown << kxtest::box(b.icon, b.title, b.text);
    QStringList expectedBoxes;
    if (box)
        expectedBoxes << kxtest::box(
            kx::MessageBoxes::Icon::Warning, QStringLiteral("Help"),
            QStringLiteral("The help file could not be opened: the desktop has no program to "
                           "show PDF files.\n\nThe file is %1\n\nOpen it with any PDF reader.")
                .arg(QDir::cleanPath(prefix.filePath(opened) + "/help.pdf")));
    QCOMPARE(shown, expectedBoxes);
}

void AboutHelpTest::missingHelpIsSilent() {
    // A directory by the manual's name is no manual, and an empty entry does not stand
    // for the current directory, even where that holds one.
    QTemporaryDir dir;
    QTemporaryDir current;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("help.pdf")));
    putManual(current.path());
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(current.path()));
    int calls = 0;
    const auto opener = [&calls](const QUrl&) {
        ++calls;
        return false;
    };
    MessageRecorder boxes;
    const bool found = kx::openHelp(boxes, {dir.path(), QString()}, opener);
    const QString path = kx::findHelp({dir.path(), QString()});
    QVERIFY(QDir::setCurrent(before));
    QVERIFY(!found);
    QCOMPARE(calls, 0);
    QVERIFY(path.isEmpty());
    // Nothing was shown.
    QVERIFY(boxes.boxes.isEmpty());
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

QTEST_MAIN(AboutHelpTest)
#include "tst_about_help.moc"
