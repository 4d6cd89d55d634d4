#pragma once

#include <QAbstractListModel>
#include <QDialog>

#include <functional>

class QListView;

namespace kx {

class MessageBoxes;
class Traffic;

// The traffic as rows, one an entry; brought up to date once the event that changed
// the traffic is done, and only while it is shown. An update removes the rows dropped
// from the front, redraws the ones that changed and adds the new ones: rows that stay
// keep their selection.
class TrafficModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TrafficModel(const Traffic& traffic, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void setLive(bool live);
    // Takes in what has changed since the last look.
    void refresh();

signals:
    // Around each refresh; `dropped` rows went from the front.
    void refreshing();
    void refreshed(int dropped);

private:
    const Traffic& traffic_;
    bool pending_ = false; // a refresh is on its way
    quint64 first_ = 0;    // the serial number of the entry in row 0
    int rows_ = 0;
    quint64 changedFrom_; // the lowest serial of an entry changed since the last look
    bool live_ = false;
};

// View > Traffic...: every line sent and every answer since the port was opened, with
// Copy and Save As... as plain text. Not modal; the panel works on beside it.
class TrafficView final : public QDialog {
    Q_OBJECT
public:
    // `askFileName` asks where to save; by default the desktop's save dialog.
    TrafficView(const Traffic& traffic, MessageBoxes& boxes, QWidget* parent = nullptr,
                std::function<QString(QWidget*)> askFileName = {});

    QListView* list() const { return list_; }
    // The selected entries, or all of them when none is selected, as plain text.
    QString text() const;
    void copy();
    // False when the file could not be written (the operator has been told).
    bool saveAs();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    const Traffic& traffic_;
    MessageBoxes& boxes_;
    TrafficModel* model_;
    QListView* list_;
    std::function<QString(QWidget*)> askFileName_;
    // What the list showed as a refresh began: its bottom, or its top row.
    bool following_ = true;
    int top_ = -1;
};

} // namespace kx
