#include "tools/frmAbout.h"

#include "core/BuildInfo.h"
#include "core/Logs.h"
#include "platform/Desktop.h"
#include "tools/LinkLabel.h"
#include "tools/Twips.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<frmAbout> g_about;

QLabel* label(const QString& text, const char* name = nullptr)
{
    auto* l = new QLabel(text);
    l->setTextFormat(Qt::PlainText);
    if (name)
        l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

QString VersionLabel(int build)
{
    return QStringLiteral("Version 3.3  (build %1)").arg(build);
}

frmAbout::frmAbout(QWidget* main) : QDialog(main), main_(main)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* layout = new QVBoxLayout(this);
    QLabel* product = label(QStringLiteral("Halvorn"), "lblTitle");
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    product->setFont(big);
    layout->addWidget(product);
    lbVer = label(VersionLabel(BuildNumber()), "lbVer");
    layout->addWidget(lbVer);

    auto* frame = new QFrame;
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(label(QStringLiteral("Places I can be reached on the Internet")), 0, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("Email:")), 1, 0);
    lblEmail = new LinkLabel(kSupportAddress);
    lblEmail->setObjectName(QStringLiteral("lblEmail"));
    grid->addWidget(lblEmail, 1, 1);
    grid->addWidget(label(QStringLiteral("Web:")), 2, 0);
    lblWeb = new LinkLabel(kAboutWebAddress);
    lblWeb->setObjectName(QStringLiteral("lblWeb"));
    grid->addWidget(lblWeb, 2, 1);
    grid->setColumnStretch(1, 1);
    layout->addWidget(frame);

    QLabel* credits = label(QStringLiteral("Written and kept up by the Halvorn developers.\n"
                                           "Thanks to everyone who sent a debug log."),
                            "lblCredits");
    credits->setWordWrap(true);
    layout->addWidget(credits);

    Command1 = new QPushButton(QStringLiteral("&Back"));
    Command1->setObjectName(QStringLiteral("Command1"));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(Command1);
    layout->addLayout(row);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(lblEmail, &LinkLabel::clicked, this, [this] { lblEmail_Click(); });
    connect(lblWeb, &LinkLabel::clicked, this, [this] { lblWeb_Click(); });
    raise();
}

void frmAbout::lblEmail_Click()
{
    platform::desktop().open(QStringLiteral("mailto:") + kSupportAddress);
}

void frmAbout::lblWeb_Click()
{
    platform::desktop().open(kAboutWebAddress);
}

void frmAbout::Command1_Click()
{
    if (main_) {
        main_->raise();
        main_->activateWindow();
    }
    close();
}

void ShowAboutWindow(QWidget* main)
{
    if (g_about && g_about->isVisible()) {
        g_about->raise();
        g_about->activateWindow();
        return;
    }
    // One hidden for the memo window is not brought back: a fresh one is shown.
    if (g_about)
        g_about->deleteLater();
    QPointer<frmAbout> about = new frmAbout(main);
    g_about = about;
    if (main)
        about->move(OffsetByTwips(main->pos(), 500));
    about->exec();
    if (about && !about->isVisible())
        about->deleteLater();
}

frmAbout* AboutWindow()
{
    return g_about;
}

void CloseAboutWindow()
{
    if (g_about)
        g_about->close();
}

void HideAboutWindow()
{
    if (g_about && g_about->isVisible())
        g_about->hide();
}
