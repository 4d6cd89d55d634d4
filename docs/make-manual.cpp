// Writes the operator's manual, help.pdf, from docs/manual/manual.html.
//
//   kx-make-manual SOURCE.html OUTPUT.pdf
//
// The pictures are taken from the program's own windows, built offscreen: the main
// window connected to the simulated generator in-process, and the About window. The
// message texts and frequency limits come from the program's own tables. So the manual
// shows the panel as it is built, never an old layout or an old text.
//
// Markers in the source, replaced before the text is laid out:
//   @@version@@            the program's version
//   @@picture:NAME@@       a picture (see pictureRegions)
//   @@code:N@@, @@title:N@@  the text and title of numbered message N
//   @@text:NAME@@          a connection message (see connectionTexts)
//   @@frequency-limits@@   table rows of the frequency limits per model and waveform
//   @@page:NAME@@          the number of the page that holds the anchor <a name="NAME">
// An unknown marker is an error, so a misspelt one cannot slip into the manual.

#include "app/About.h"
#include "app/Main.h"
#include "kit/MessageBoxes.h"
#include "link/Clock.h"
#include "link/SerialPort.h"
#include "sim/Generator.h"
#include "state/modVariables.h"

#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMap>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#ifndef KX_VERSION
#define KX_VERSION "unknown"
#endif

namespace {

// Shows nothing: no box may wait for an operator while the manual is made.
class SilentBoxes final : public kx::MessageBoxes {
public:
    void inform(Icon, const QString&, const QString&) override {}
    Answer ask(Icon, const QString&, const QString&) override { return Answer::No; }
};

// The simulated generator behind the serial interface. Its answers arrive during the
// exchange's next wait, as they would from a line.
class SimulatedPort final : public kx::SerialPort {
public:
    explicit SimulatedPort(const kxsim::ModelProfile& profile) : generator_(profile) {}

    bool open(const QString&) override {
        open_ = true;
        return true;
    }
    kx::PortError openError() const override { return kx::PortError::None; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    bool write(const QByteArray& data) override {
        if (!open_)
            return false;
        pending_ += generator_.feed(data);
        return true;
    }
    QByteArray readAll() override { return std::exchange(received_, {}); }

    void deliver() {
        if (pending_.isEmpty())
            return;
        received_ += std::exchange(pending_, {});
        emit readyRead();
    }

private:
    kxsim::Generator generator_;
    bool open_ = false;
    QByteArray pending_;
    QByteArray received_;
};

// A clock that never sleeps: a wait delivers what the port has and, unless that is what
// it waited for, moves time on to its end.
class InstantClock final : public kx::Clock {
public:
    explicit InstantClock(SimulatedPort& port) : port_(port) {}
    qint64 wallMsecs() const override { return now_; }
    qint64 steadyMsecs() const override { return now_; }
    void wait(int ms, const std::function<bool()>& done) override {
        port_.deliver();
        if (!(done && done()))
            now_ += std::max(ms, 0);
    }
    void wake() override {}

private:
    SimulatedPort& port_;
    qint64 now_ = 1'700'000'000'250;
};

// The picture regions of the main window: the widgets whose union is cut out.
struct Region {
    const char* name;
    QStringList widgets;
};

const QList<Region> pictureRegions = {
    {"comport", {"topBar"}},
    {"display", {"Picture1"}},
    {"waveform", {"Shape3_0", "setWaveform_0"}},
    {"parameters", {"Shape3_1", "setWaveformP_1"}},
    {"memory", {"Shape3_2", "saveRecallLabel_0"}},
    {"sweep", {"Shape3_3", "setSweep_1"}},
    {"trigger", {"Shape3_4", "setTrigger_0"}},
    {"modulation", {"Shape3_5", "setSweep_0"}},
    {"output", {"Shape2"}},
};

QMap<QString, QString> connectionTexts() {
    return {
        {QStringLiteral("connectionError"), QString::fromLatin1(kx::connectionError)},
        {QStringLiteral("selectPort"), QString::fromLatin1(kx::findRefusal(4)->text)},
        {QStringLiteral("portInUse"), kx::port::inUse.boxText()},
        {QStringLiteral("noPorts"), kx::port::noPorts.boxText()},
        {QStringLiteral("portNotOpen"), kx::port::notOpen.boxText()},
        {QStringLiteral("connectionLost"), kx::port::lost.boxText()},
    };
}

[[noreturn]] void fail(const QString& why) {
    std::fprintf(stderr, "kx-make-manual: %s\n", qPrintable(why));
    std::exit(1);
}

// A message as the operator sees it: escaped, its doubled blanks kept.
QString quoted(const QString& text) {
    return QStringLiteral("<span style=\"white-space: pre-wrap\">%1</span>")
        .arg(text.toHtmlEscaped());
}

QString frequencyText(double hz) {
    if (hz >= 1e6)
        return QStringLiteral("%1 MHz").arg(hz / 1e6);
    if (hz >= 1e3)
        return QStringLiteral("%1 kHz").arg(hz / 1e3);
    return QStringLiteral("%1 Hz").arg(hz);
}

// One row per model: the limits the panel checks against, as the program computes them.
QString frequencyLimitRows() {
    QString rows;
    for (const char* model : {"KX12A", "KX20A", "KX25A"}) {
        QStringList cells{QString::fromLatin1(model)};
        for (const char* shape : {"sine", "ramp"}) {
            kx::modVariables vars;
            vars.modelName = QString::fromLatin1(model);
            vars.waveShape = QString::fromLatin1(shape);
            vars.setFrequencyLimits();
            if (vars.freqMax <= 0)
                fail(QStringLiteral("no frequency limits for %1, %2").arg(model, shape));
            cells << QStringLiteral("%1 to %2")
                         .arg(frequencyText(vars.freqMin), frequencyText(vars.freqMax));
        }
        rows += QStringLiteral("<tr><td>") + cells.join(QStringLiteral("</td><td>")) +
                QStringLiteral("</td></tr>\n");
    }
    return rows;
}

QRect regionOf(QWidget& window, const Region& region) {
    QRect rect;
    for (const QString& name : region.widgets) {
        auto* w = window.findChild<QWidget*>(name);
        if (!w)
            fail(QStringLiteral("the main window has no %1 for the picture %2")
                     .arg(name, QString::fromLatin1(region.name)));
        rect |= QRect(w->mapTo(&window, QPoint(0, 0)), w->size());
    }
    return rect.adjusted(-4, -4, 4, 4) & window.rect();
}

// The pictures, taken from the program's windows.
QMap<QString, QImage> takePictures() {
    QMap<QString, QImage> pictures;

    QTemporaryDir config;
    const kxsim::ModelProfile* profile = kxsim::findProfile(QStringLiteral("KX25A"));
    if (!profile)
        fail(QStringLiteral("the simulated generator knows no KX25A"));
    auto port = std::make_unique<SimulatedPort>(*profile);
    auto clock = std::make_unique<InstantClock>(*port);
    kx::Seams seams;
    seams.port = std::move(port);
    seams.clock = std::move(clock);
    seams.boxes = std::make_unique<SilentBoxes>();
    seams.configDir = config.path();
    seams.probe = [](int n) { return n == 3; };
    seams.quit = [] {};
    kx::Main main(std::move(seams));
    main.show();
    QApplication::processEvents();

    // Connected to port 3, as an operator would be after "Connect".
    auto* comPort = main.findChild<QComboBox*>(QStringLiteral("comPort"));
    auto* connectBtn = main.findChild<QAbstractButton*>(QStringLiteral("connectBtn"));
    auto* message = main.findChild<QLineEdit*>(QStringLiteral("message"));
    if (!comPort || !connectBtn || !message)
        fail(QStringLiteral("the main window has no comPort, connectBtn or message"));
    comPort->setEditText(QStringLiteral("3"));
    connectBtn->click();
    QApplication::processEvents();
    if (!message->text().contains(QLatin1String("KX25A")))
        std::fprintf(stderr,
                     "kx-make-manual: warning: the panel did not connect to the simulated "
                     "generator (status line \"%s\"); the pictures show it unconnected\n",
                     qPrintable(message->text()));

    const QImage panel = main.grab().toImage();
    if (panel.isNull() || panel.width() < 400)
        fail(QStringLiteral("could not take the picture of the main window"));
    pictures.insert(QStringLiteral("panel"), panel);
    pictures.insert(QStringLiteral("panel-small"), panel);
    for (const Region& region : pictureRegions)
        pictures.insert(QString::fromLatin1(region.name), panel.copy(regionOf(main, region)));

    kx::About about(&main);
    about.show();
    QApplication::processEvents();
    pictures.insert(QStringLiteral("about"), about.grab().toImage());
    about.closeBtn_Click();

    pictures.insert(QStringLiteral("banner"), QImage(QStringLiteral(":/about-banner.png")));
    for (auto it = pictures.cbegin(); it != pictures.cend(); ++it) {
        if (it.value().isNull())
            fail(QStringLiteral("the picture %1 is empty").arg(it.key()));
    }
    return pictures;
}

// Width of a picture in the laid-out text, in the document's pixels: the whole panel
// fills the text width, the small one half of it, the rest come at their size on
// screen.
int shownWidth(const QString& name, const QImage& image) {
    constexpr int textWidth = 620;
    if (name == QLatin1String("panel"))
        return textWidth;
    if (name == QLatin1String("panel-small"))
        return textWidth / 2;
    return std::min(image.width(), textWidth);
}

// The page of each anchor, as far as it is known yet.
using Pages = QMap<QString, int>;

QString fillMarkers(const QString& source, const QMap<QString, QImage>& pictures,
                    const Pages& pages) {
    static const QRegularExpression marker(QStringLiteral("@@([a-z-]+)(?::([A-Za-z0-9-]+))?@@"));
    QString out;
    qsizetype last = 0;
    auto it = marker.globalMatch(source);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += source.mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        const QString kind = m.captured(1);
        const QString arg = m.captured(2);
        bool ok = false;
        if (kind == QLatin1String("version")) {
            out += QStringLiteral(KX_VERSION);
        } else if (kind == QLatin1String("frequency-limits")) {
            out += frequencyLimitRows();
        } else if (kind == QLatin1String("picture") && pictures.contains(arg)) {
            out += QStringLiteral("<img src=\"kx-picture:%1\" width=\"%2\">")
                       .arg(arg)
                       .arg(shownWidth(arg, pictures.value(arg)));
        } else if ((kind == QLatin1String("code") || kind == QLatin1String("title"))) {
            const kx::Refusal* entry = kx::findRefusal(static_cast<short>(arg.toInt(&ok)));
            if (!ok || !entry)
                fail(QStringLiteral("no message %1 in the catalogue").arg(arg));
            if (kind == QLatin1String("code"))
                out += quoted(QString::fromLatin1(entry->text));
            else
                out += entry->title().toHtmlEscaped();
        } else if (kind == QLatin1String("page")) {
            // Until the pages are laid out, a stand-in of the same width.
            out += pages.contains(arg) ? QString::number(pages.value(arg)) : QStringLiteral("00");
        } else if (kind == QLatin1String("text") && connectionTexts().contains(arg)) {
            out += quoted(connectionTexts().value(arg));
        } else {
            fail(QStringLiteral("unknown marker %1").arg(m.captured(0)));
        }
    }
    out += source.mid(last);
    return out;
}

// The page each anchor named by a @@page:NAME@@ marker lands on, in `doc` as laid out.
Pages pagesOf(QTextDocument& doc, const QString& source) {
    static const QRegularExpression marker(QStringLiteral("@@page:([A-Za-z0-9-]+)@@"));
    QStringList wanted;
    for (auto it = marker.globalMatch(source); it.hasNext();)
        wanted << it.next().captured(1);

    Pages pages;
    const qreal pageHeight = doc.pageSize().height();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            for (const QString& name : it.fragment().charFormat().anchorNames()) {
                if (!wanted.contains(name))
                    continue;
                const QRectF rect = doc.documentLayout()->blockBoundingRect(block);
                pages.insert(name, int(rect.top() / pageHeight) + 1);
            }
        }
    }
    for (const QString& name : wanted) {
        if (!pages.contains(name))
            fail(QStringLiteral("no anchor %1 for the page marker").arg(name));
    }
    return pages;
}

// The resolution the document's own measures (margins, picture widths) are in: the
// screen's. The layout scales them to the writer's.
qreal documentDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96;
}

// 2 cm, in the document's measure.
qreal pageMargin() { return 2 / 2.54 * documentDpi(); }

// Lays `html` out on the pages of `writer`: 2 cm around the text, room for the page
// number below it.
void layOut(QTextDocument& doc, const QString& html, QPdfWriter& writer) {
    doc.setHtml(html);
    doc.documentLayout()->setPaintDevice(&writer);
    QTextFrameFormat frame = doc.rootFrame()->frameFormat();
    frame.setMargin(pageMargin());
    doc.rootFrame()->setFrameFormat(frame);
    doc.setPageSize(QSizeF(writer.width(), writer.height()));
}

// Draws the laid-out pages, each with its number at the bottom right.
void print(QTextDocument& doc, QPdfWriter& writer) {
    QPainter painter(&writer);
    const QSizeF page = doc.pageSize();
    const qreal margin = pageMargin() * writer.logicalDpiY() / documentDpi();
    QFont numberFont = doc.defaultFont();
    painter.setFont(numberFont);
    const qreal numberBaseline =
        page.height() - margin + painter.fontMetrics().ascent() + 5 * writer.logicalDpiY() / 72.0;
    for (int index = 0; index < doc.pageCount(); ++index) {
        if (index > 0)
            writer.newPage();
        const QRectF view(QPointF(0, index * page.height()), page);
        painter.save();
        painter.translate(0, -view.top());
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        context.palette.setColor(QPalette::Text, Qt::black);
        doc.documentLayout()->draw(&painter, context);
        painter.restore();
        const QString number = QString::number(index + 1);
        painter.drawText(
            QPointF(page.width() - margin - painter.fontMetrics().horizontalAdvance(number),
                    numberBaseline),
            number);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    // The windows are drawn offscreen; no display is needed, none is touched.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: kx-make-manual SOURCE.html OUTPUT.pdf\n");
        return 2;
    }
    const QString sourcePath = QString::fromLocal8Bit(argv[1]);
    const QString outputPath = QString::fromLocal8Bit(argv[2]);

    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(sourcePath));
    const QString text = QString::fromUtf8(source.readAll());
    const QMap<QString, QImage> pictures = takePictures();

    QTextDocument doc;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(10);
    doc.setDefaultFont(font);
    for (auto it = pictures.cbegin(); it != pictures.cend(); ++it)
        doc.addResource(QTextDocument::ImageResource,
                        QUrl(QStringLiteral("kx-picture:") + it.key()), it.value());

    // Written beside and then moved into place, so a failed run leaves no half manual.
    const QString partial = outputPath + QStringLiteral(".part");
    QFile::remove(partial);
    {
        QPdfWriter writer(partial);
        writer.setTitle(QStringLiteral("kx-panel operator's manual"));
        writer.setCreator(QStringLiteral("kx-panel " KX_VERSION));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        writer.setResolution(300);

        // The contents name the pages the chapters land on. The numbers are written in
        // and the text laid out again until they hold.
        Pages pages;
        for (int round = 0;; ++round) {
            layOut(doc, fillMarkers(text, pictures, pages), writer);
            const Pages found = pagesOf(doc, text);
            if (found == pages)
                break;
            if (round == 3)
                fail(QStringLiteral("the page numbers of the contents do not settle"));
            pages = found;
        }
        print(doc, writer);
    }
    if (QFileInfo(partial).size() == 0)
        fail(QStringLiteral("nothing was written to %1").arg(partial));
    QFile::remove(outputPath);
    if (!QFile::rename(partial, outputPath))
        fail(QStringLiteral("cannot write %1").arg(outputPath));
    return 0;
}
