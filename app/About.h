#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;

namespace kx {

// The About window: banner, project name and rights notice, version, and a "Close"
// button, the only way to close it (its title-bar Close is disabled at every load).
class About : public QDialog {
    Q_OBJECT
public:
    // Builds the form and loads it (Form_Load).
    explicit About(QWidget* parent = nullptr);

    // Shows a new About window modally over `owner` and returns once it is closed.
    static void showModal(QWidget* owner);

    // Runs at each load: fills Text1 and Label1 and disables the title-bar Close.
    void Form_Load();
    void closeBtn_Click();

    static QString projectName();
    static QString rightsNotice();
    static QString versionText();

protected:
    // Escape and other rejections close the window only while its Close is enabled.
    void reject() override;

private:
    QPlainTextEdit* Text1_;
    QLabel* Label1_;
};

} // namespace kx
