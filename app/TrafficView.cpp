#include "app/TrafficView.h"

#include "kit/MessageBoxes.h"
#include "link/Traffic.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace kx {

TrafficModel::TrafficModel(const Traffic& traffic, QObject* parent)
    : QAbstractListModel(parent), traffic_(traffic), changedFrom_(traffic.endSerial()) {
    connect(&traffic_, &Traffic::entryChanged, this,
            [this](quint64 serial) { changedFrom_ = std::min(changedFrom_, serial); });
    connect(&traffic_, &Traffic::changed, this, [this] {
        if (live_ && !pending_) {
            pending_ = true;
            QTimer::singleShot(0, this, &TrafficModel::refresh);
        }
    });
}

int TrafficModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_)
        return {};
    // Rows map to entries by serial number: until the next refresh, a row whose entry
    // has been dropped shows nothing rather than another entry.
    const quint64 serial = first_ + static_cast<quint64>(index.row());
    if (serial < traffic_.firstSerial() || serial >= traffic_.endSerial())
        return {};
    return Traffic::format(traffic_.entries()[serial - traffic_.firstSerial()]);
}

void TrafficModel::setLive(bool live) {
    live_ = live;
    if (live)
        refresh();
}

void TrafficModel::refresh() {
    pending_ = false;
    emit refreshing();
    const quint64 first = traffic_.firstSerial();
    const quint64 end = traffic_.endSerial();
    const int dropped = static_cast<int>(std::min(first, first_ + rows_) - first_);
    if (dropped > 0) {
        beginRemoveRows({}, 0, dropped - 1);
        first_ += dropped;
        rows_ -= dropped;
        endRemoveRows();
    }
    if (rows_ == 0)
        first_ = first;
    const quint64 from = std::max(changedFrom_, first_);
    if (from < first_ + rows_)
        emit dataChanged(index(static_cast<int>(from - first_)), index(rows_ - 1));
    changedFrom_ = end;
    if (end > first_ + rows_) {
        const int added = static_cast<int>(end - first_) - rows_;
        beginInsertRows({}, rows_, rows_ + added - 1);
        rows_ += added;
        endInsertRows();
    }
    emit refreshed(dropped);
}

TrafficView::TrafficView(const Traffic& traffic, MessageBoxes& boxes, QWidget* parent,
                         std::function<QString(QWidget*)> askFileName)
    : QDialog(parent), traffic_(traffic), boxes_(boxes), model_(new TrafficModel(traffic, this)),
      list_(new QListView(this)), askFileName_(std::move(askFileName)) {
    setWindowTitle(QStringLiteral("Traffic"));
    resize(640, 420);
    if (!askFileName_)
        askFileName_ = [](QWidget* parent) {
            return QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"),
                                                QStringLiteral("traffic.txt"),
                                                QStringLiteral("Text files (*.txt)"));
        };
    list_->setModel(model_);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* copyButton =
        buttons->addButton(QStringLiteral("Copy"), QDialogButtonBox::ActionRole);
    copyButton->setObjectName(QStringLiteral("copy"));
    QPushButton* saveButton =
        buttons->addButton(QStringLiteral("Save As..."), QDialogButtonBox::ActionRole);
    saveButton->setObjectName(QStringLiteral("saveAs"));
    buttons->addButton(QDialogButtonBox::Close);
    connect(copyButton, &QPushButton::clicked, this, &TrafficView::copy);
    connect(saveButton, &QPushButton::clicked, this, [this] { saveAs(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);

    // Follows the newest entry while the operator has not scrolled up; otherwise the
    // rows in sight stay where they are, though older ones go from the front.
    connect(model_, &TrafficModel::refreshing, this, [this] {
        QScrollBar* bar = list_->verticalScrollBar();
        following_ = bar->value() == bar->maximum();
        top_ = list_->indexAt(QPoint(0, 0)).row();
    });
    connect(model_, &TrafficModel::refreshed, this, [this](int dropped) {
        if (following_)
            list_->scrollToBottom();
        else if (dropped > 0 && top_ >= 0)
            list_->scrollTo(model_->index(std::max(top_ - dropped, 0)),
                            QAbstractItemView::PositionAtTop);
    });
}

QString TrafficView::text() const {
    // The rows catch up with the record first, so each selected row is its own entry.
    model_->refresh();
    QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return traffic_.plainText();
    std::sort(selected.begin(), selected.end());
    QString text;
    for (const QModelIndex& index : selected)
        text += index.data().toString() + QLatin1Char('\n');
    return text;
}

void TrafficView::copy() { QApplication::clipboard()->setText(text()); }

bool TrafficView::saveAs() {
    const QString name = askFileName_(this);
    if (name.isEmpty())
        return true;
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text) ||
        file.write(traffic_.plainText().toUtf8()) < 0 || !file.flush()) {
        boxes_.inform(MessageBoxes::Icon::Warning, QStringLiteral("Save As"),
                      QStringLiteral("The traffic could not be saved to %1: %2")
                          .arg(name, file.errorString()));
        return false;
    }
    return true;
}

void TrafficView::showEvent(QShowEvent* event) {
    model_->setLive(true);
    list_->scrollToBottom();
    QDialog::showEvent(event);
}

void TrafficView::hideEvent(QHideEvent* event) {
    model_->setLive(false);
    QDialog::hideEvent(event);
}

} // namespace kx
