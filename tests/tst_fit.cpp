// Every caption of the main window and of the About window fits its control on one line,
// and every control lies inside its group, with the DejaVu faces loaded from their files
// so the measure is the same on every machine. The main window carries its own font,
// so a different desktop font must change nothing there.
#include "app/About.h"
#include "support/Rig.h"
#include "ui_Main.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

using namespace kxtest;

namespace {

const QString fontDir = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
const QString formFamily = QStringLiteral("DejaVu Sans");

// Captions the form lays out on two lines on purpose.
const QStringList twoLineCaptions = {QStringLiteral("setDutyLabel")};

// The areas of the main window: the shape that draws it, its title (none for the top bar
// and the Output band) and the labels and buttons inside it.
struct Area {
    const char* shape;
    const char* title;
    QStringList controls;
};

const QList<Area> areas = {
    {"topBar", nullptr, {"ComLabel", "connectBtn", "closeBtn", "ExitBtn"}},
    {"Shape3_0", "setWaveform_0", {"sine", "ramp", "square"}},
    {"Shape3_3",
     "setSweep_1",
     {"startFLabel", "startSweepMHz", "startSweepkHz", "startSweepHz", "stopFLabel", "stopSweepMHz",
      "stopSweepkHz", "stopSweepHz", "sweepRateLabel", "sweepRateSec", "Label2", "linearSweep",
      "logSweep", "sweepOff"}},
    {"Shape3_4",
     "setTrigger_0",
     {"trigModeLabel", "TrigModeSet", "trigSourceLabel", "TrigSourceSet", "Label3", "trigRateMicro",
      "trigRateMilli", "trigRateSec", "burstCycleLabel", "setBurst"}},
    {"Shape2", nullptr, {"Label1", "outOn", "outOff"}},
    {"Shape3_1",
     "setWaveformP_1",
     {"setFreqLabel", "freqMHz", "freqKHz", "freqHz", "setAmpLabel", "ampV", "setOffLabel", "offV",
      "setDutyLabel", "setDuty"}},
    {"Shape3_2", "saveRecallLabel_0", {"memLocationLabel", "save", "recall", "facDefault"}},
    {"Shape3_5",
     "setSweep_0",
     {"modTypeLabel", "ModTypeSet", "Label8", "modShapeSet", "depthLabel", "setDepth", "devLabel",
      "devFMMHz", "devFMkHz", "devFMHz", "modFreqLabel", "modFreqkHz", "modFreqHz", "modOff"}},
};

bool isAreaShape(const QObject* w) {
    for (const Area& a : areas) {
        if (w->objectName() == QLatin1String(a.shape))
            return true;
    }
    return false;
}

QString captionOf(const QWidget* w) {
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        return QString(button->text()).remove(QLatin1Char('&'));
    return {};
}

// Why `text` does not fit `w` ("" when it does): on one line (or on the lines the form
// gives it) within the contents, leaving a pixel each side of a label and two of a
// button for its frame.
QString fitProblem(const QWidget* w, const QString& text) {
    const QFontMetrics fm = w->fontMetrics();
    QRect area = w->contentsRect();
    int spare = 2;
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        const int margin = label->margin() + std::max(label->indent(), 0);
        area.adjust(margin, label->margin(), -margin, -label->margin());
        spare = 1;
    }
    const QString name = w->objectName();
    const int width = area.width() - 2 * spare;
    if (twoLineCaptions.contains(name)) {
        const auto* label = qobject_cast<const QLabel*>(w);
        const QRect wrapped = fm.boundingRect(QRect(0, 0, width, 10'000), Qt::TextWordWrap, text);
        if (!label || !label->wordWrap() || wrapped.width() > width ||
            wrapped.height() > area.height() || wrapped.height() > 2 * fm.lineSpacing())
            return QStringLiteral("%1 \"%2\" does not fit on two lines: %3x%4 in %5x%6")
                .arg(name, text)
                .arg(wrapped.width())
                .arg(wrapped.height())
                .arg(width)
                .arg(area.height());
        return {};
    }
    const int advance = fm.horizontalAdvance(text);
    if (advance > width || fm.height() > area.height())
        return QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6")
            .arg(name, text)
            .arg(advance)
            .arg(fm.height())
            .arg(width)
            .arg(area.height());
    return {};
}

// Everything wrong with the captions of `window`.
QStringList captionProblems(QWidget& window, bool formFont) {
    QStringList problems;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const QString text = captionOf(w);
        if (text.isEmpty() || !w->isVisibleTo(&window))
            continue;
        const QString name = w->objectName();
        if (formFont && QFontInfo(w->font()).family() != formFamily)
            problems
                << QStringLiteral("%1 is drawn in %2").arg(name, QFontInfo(w->font()).family());
        if (const QString p = fitProblem(w, text); !p.isEmpty())
            problems << p;
        QWidget* parent = w->parentWidget();
        if (!parent->rect().contains(w->geometry()))
            problems << QStringLiteral("%1 reaches out of %2").arg(name, parent->objectName());
        for (QObject* o : parent->children()) {
            auto* sibling = qobject_cast<QWidget*>(o);
            if (!sibling || sibling == w || !sibling->isVisibleTo(&window) || isAreaShape(sibling))
                continue;
            if (sibling->geometry().intersects(w->geometry()))
                problems << QStringLiteral("%1 overlaps %2").arg(name, sibling->objectName());
        }
    }
    return problems;
}

QRect geometryOf(QWidget& window, const char* name) {
    auto* w = window.findChild<QWidget*>(QLatin1String(name));
    return w ? w->geometry() : QRect();
}

} // namespace

class FitTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void captionsFit_data();
    void captionsFit();
    void runTimeCaptionsFit_data();
    void runTimeCaptionsFit();
    void controlsInsideTheirArea_data();
    void controlsInsideTheirArea();
    void everyCaptionHasAnArea();

private:
    QMap<QString, QString> families_;
};

void FitTest::initTestCase() {
    // The faces fonts-dejavu-core installs; the bold one for the titles and the display.
    for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSerif.ttf"}) {
        const QString path = fontDir + QLatin1String(file);
        const int id = QFontDatabase::addApplicationFont(path);
        QVERIFY2(id >= 0,
                 qPrintable(path + QStringLiteral(" is missing: install fonts-dejavu-core")));
        families_.insert(QLatin1String(file), QFontDatabase::applicationFontFamilies(id).value(0));
    }
    QCOMPARE(families_.value(QStringLiteral("DejaVuSans.ttf")), formFamily);
}

void FitTest::captionsFit_data() {
    // The window, and the desktop's font.
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("fontFile");
    QTest::addColumn<int>("pointSize");

    for (const char* window : {"Main", "About"}) {
        QTest::addRow("%s, DejaVu Sans 9 (Debian's default)", window)
            << window << "DejaVuSans.ttf" << 9;
        QTest::addRow("%s, DejaVu Sans 12", window) << window << "DejaVuSans.ttf" << 12;
        QTest::addRow("%s, DejaVu Serif 10", window) << window << "DejaVuSerif.ttf" << 10;
    }
}

void FitTest::captionsFit() {
    QFETCH(QString, window);
    QFETCH(QString, fontFile);
    QFETCH(int, pointSize);

    const QFont before = QApplication::font();
    QApplication::setFont(QFont(families_.value(fontFile), pointSize));
    QStringList problems;
    if (window == QLatin1String("Main")) {
        Rig rig;
        rig.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.main()));
        problems = captionProblems(rig.main(), true);
    } else {
        kx::About about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        problems = captionProblems(about, false);
        about.closeBtn_Click();
    }
    QApplication::setFont(before);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

void FitTest::runTimeCaptionsFit_data() {
    // The longest texts the panel writes into the display's labels.
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");

    QTest::newRow("sweep") << "funcIndicator"
                           << "Linear Sweep";
    QTest::newRow("modulation") << "funcIndicator"
                                << "FM Modulation";
    QTest::newRow("start frequency") << "funcInfo"
                                     << "Start Frequency: 20.0000MHz";
    QTest::newRow("modulating shape") << "funcInfo"
                                      << "Mod. Shape: Triangle";
    QTest::newRow("stop frequency") << "funcInfo2"
                                    << "Stop Frequency: 20.0000MHz";
    QTest::newRow("modulating frequency") << "funcInfo2"
                                          << "Mod. Frequency: 20.0000kHz";
    QTest::newRow("source") << "source"
                            << "EXT";
}

void FitTest::runTimeCaptionsFit() {
    QFETCH(QString, control);
    QFETCH(QString, text);

    Rig rig;
    rig.main().show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.main()));
    auto* label = rig.main().findChild<QLabel*>(control);
    QVERIFY(label);
    label->setText(text);
    QCOMPARE(fitProblem(label, text), QString());
    QCOMPARE(QFontInfo(label->font()).family(), formFamily);
}

void FitTest::controlsInsideTheirArea_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < areas.size(); ++i)
        QTest::newRow(areas[i].title ? areas[i].title : areas[i].shape) << i;
}

void FitTest::controlsInsideTheirArea() {
    QFETCH(int, index);
    const Area& area = areas[index];

    Rig rig;
    rig.main().show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.main()));
    QWidget& central = *rig.ui().centralwidget;
    const QRect shape = geometryOf(central, area.shape);
    QVERIFY2(shape.isValid(), area.shape);

    QStringList outside;
    for (const QString& name : area.controls) {
        auto* w = central.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
        if (!w || !shape.contains(w->geometry()))
            outside << name;
    }
    QVERIFY2(outside.isEmpty(), qPrintable(outside.join(QStringLiteral(", "))));

    // The title sits just above the shape, no wider than it.
    if (area.title) {
        const QRect title = geometryOf(central, area.title);
        QVERIFY2(title.isValid(), area.title);
        QVERIFY2(title.left() >= shape.left() && title.right() <= shape.right(), area.title);
        QVERIFY2(title.bottom() < shape.top() + 2 && title.bottom() > shape.top() - 8, area.title);
    }
}

void FitTest::everyCaptionHasAnArea() {
    // A label or button added to the window belongs in the table above.
    Rig rig;
    QStringList listed;
    for (const Area& a : areas) {
        listed << a.controls;
        if (a.title)
            listed << QLatin1String(a.title);
    }
    QStringList missing;
    for (QWidget* w :
         rig.ui().centralwidget->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!captionOf(w).isEmpty() && !listed.contains(w->objectName()))
            missing << w->objectName();
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
}

QTEST_MAIN(FitTest)
#include "tst_fit.moc"
