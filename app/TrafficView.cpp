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
    : QAbstractListModel(parent), traffic_(traffic) {
    connect(&traffic_, &Traffic::changed, this, [this] {
        if (live_ && !pending_) {
            pending_ = true;
            QTimer::singleShot(0, this, &TrafficModel::refresh);
        }
    });
}

int TrafficModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_ ||
        static_cast<std::size_t>(index.row()) >= traffic_.entries().size())
        return {};
    return Traffic::format(traffic_.entries()[static_cast<std::size_t>(index.row())]);
}

void TrafficModel::setLive(bool live) {
    live_ = live;
    if (live)
        refresh();
}

void TrafficModel::refresh() {
    pending_ = false;
    // A reset is cheap for a list that draws only the rows in sight.
    beginResetModel();
    rows_ = static_cast<int>(traffic_.entries().size());
    endResetModel();
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

    // Follows the newest entry while the operator has not scrolled up.
    connect(model_, &TrafficModel::modelAboutToBeReset, this, [this] {
        QScrollBar* bar = list_->verticalScrollBar();
        list_->setProperty("following", bar->value() == bar->maximum());
    });
    connect(model_, &TrafficModel::modelReset, this, [this] {
        if (list_->property("following").toBool())
            list_->scrollToBottom();
    });
}

QString TrafficView::text() const {
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
