#include "app/About.h"

#include "app/modCloseBtn.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kx {

About::About(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("Form1"));
    setWindowModality(Qt::ApplicationModal);

    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setFixedSize(200, 38);
    image->setPixmap(QPixmap(QStringLiteral(":/about-banner.png")));

    auto* shape = new QFrame(this);
    shape->setObjectName(QStringLiteral("Shape1"));
    shape->setFrameShape(QFrame::Box);
    shape->setFrameShadow(QFrame::Sunken);

    Text1_ = new QPlainTextEdit(shape);
    Text1_->setObjectName(QStringLiteral("Text1"));
    Text1_->setReadOnly(true);
    Text1_->setFocusPolicy(Qt::NoFocus);
    Text1_->setFrameShape(QFrame::NoFrame);
    Text1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1_->setBackgroundVisible(false);
    Text1_->viewport()->setAutoFillBackground(false);
    Text1_->setFixedHeight(Text1_->fontMetrics().lineSpacing() * 2 +
                           2 * static_cast<int>(Text1_->document()->documentMargin()) + 4);
    Text1_->setMinimumWidth(Text1_->fontMetrics().horizontalAdvance(rightsNotice()) + 16);

    Label1_ = new QLabel(QStringLiteral("Version"), shape);
    Label1_->setObjectName(QStringLiteral("Label1"));

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeBtn"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &About::closeBtn_Click);

    auto* inside = new QVBoxLayout(shape);
    inside->addWidget(Text1_);
    inside->addWidget(Label1_);

    auto* form = new QVBoxLayout(this);
    form->addWidget(image, 0, Qt::AlignLeft);
    form->addWidget(shape);
    form->addWidget(close, 0, Qt::AlignRight);
    form->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

void About::showModal(QWidget* owner) { About(owner).exec(); }

void About::Form_Load() {
    Text1_->setPlainText(projectName() + QStringLiteral("\r\n") + rightsNotice());
    Label1_->setText(versionText());
    setCloseButtonEnabled(this, false);
}

void About::closeBtn_Click() { done(QDialog::Accepted); }

void About::reject() {
    if (isCloseButtonEnabled(this))
        QDialog::reject();
}

QString About::projectName() { return QStringLiteral("kx-panel project"); }

QString About::rightsNotice() {
    return QStringLiteral("Copyright (C) 2013 the kx-panel project. All rights reserved.");
}

QString About::versionText() { return QStringLiteral("Version: 1.0.1   4/10/13"); }

} // namespace kx
