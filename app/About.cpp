#include "app/About.h"

#include "app/modCloseBtn.h"

#include <QFrame>
#include <QHBoxLayout>
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

    Image1_ = new QLabel(this);
    Image1_->setObjectName(QStringLiteral("Image1"));
    Image1_->setFixedSize(200, 38);
    Image1_->setPixmap(QPixmap(QStringLiteral(":/about-banner.png")));

    Shape1_ = new QFrame(this);
    Shape1_->setObjectName(QStringLiteral("Shape1"));
    Shape1_->setFrameShape(QFrame::Box);
    Shape1_->setFrameShadow(QFrame::Sunken);

    Text1_ = new QPlainTextEdit(Shape1_);
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

    Label1_ = new QLabel(QStringLiteral("Version"), Shape1_);
    Label1_->setObjectName(QStringLiteral("Label1"));

    closeBtn_ = new QPushButton(QStringLiteral("Close"), this);
    closeBtn_->setObjectName(QStringLiteral("closeBtn"));
    closeBtn_->setDefault(true);
    connect(closeBtn_, &QPushButton::clicked, this, [this] { closeBtn_Click(); });

    auto* inside = new QVBoxLayout(Shape1_);
    inside->addWidget(Text1_);
    inside->addWidget(Label1_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(closeBtn_);

    auto* form = new QVBoxLayout(this);
    form->addWidget(Image1_, 0, Qt::AlignLeft);
    form->addWidget(Shape1_);
    form->addLayout(buttons);
    form->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

void About::showModal(QWidget* owner) {
    About about(owner);
    about.exec();
}

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
