#include "tools/Help.h"
#include "tools/LinkLabel.h"
#include "tools/frmAbout.h"

#include "core/AppHooks.h"
#include "core/BuildInfo.h"
#include "core/Logs.h"

#include "LauncherFixture.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

using HelpContents = LauncherFixture;

TEST_F(HelpContents, OpensTheShippedManualUnlessTheProgramDirectoryHasAHelpFile)
{
    const QString manual = home.file(QStringLiteral("manual/index.html"));
    mnuContents_Click(manual);
    home.writeFile(QStringLiteral("HVRN.HLP"), "help");
    mnuContents_Click(manual);
    EXPECT_EQ(doubles.desktop.opened,
              (std::vector<QString>{manual, home.file(QStringLiteral("HVRN.HLP"))}));
    // The missing manual is noted, but the viewer is still asked.
    EXPECT_TRUE(debugText().contains(QStringLiteral("[HVRN] Help file not found: ") + manual));
}

TEST_F(HelpContents, TheMenuItemAndF1OpenTheManualBesideTheBinary)
{
    QAction* contents = form->action(QStringLiteral("mnuContents"));
    EXPECT_EQ(contents->shortcut(), QKeySequence(Qt::Key_F1));
    contents->trigger();
    ASSERT_EQ(doubles.desktop.opened.size(), 1u);
    EXPECT_EQ(doubles.desktop.opened.front(),
              QCoreApplication::applicationDirPath() + QStringLiteral("/manual/index.html"));
    EXPECT_EQ(ShippedManualPath(), doubles.desktop.opened.front());
}

TEST(AboutVersion, ShowsTheBuildNumber)
{
    EXPECT_EQ(VersionLabel(0), QStringLiteral("Version 3.3  (build 0)"));
    EXPECT_EQ(VersionLabel(417), QStringLiteral("Version 3.3  (build 417)"));
}

class AboutWindow : public LauncherFixture {
protected:
    QStringList labelTexts(QWidget* window) const
    {
        QStringList texts;
        for (QLabel* l : window->findChildren<QLabel*>())
            texts.append(l->text());
        return texts;
    }
    static void hover(QWidget* w)
    {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(w, &enter);
    }
    static void leave(QWidget* w)
    {
        QEvent left(QEvent::Leave);
        QApplication::sendEvent(w, &left);
    }
    static void click(QWidget* w)
    {
        const QPointF at(2, 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
};

TEST_F(AboutWindow, ShowsVersionHeadingsAndLinks)
{
    frmAbout about(form.get());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.lbVer->objectName(), QStringLiteral("lbVer"));
    EXPECT_EQ(about.lbVer->text(), QStringLiteral("Version 3.3  (build %1)").arg(BuildNumber()));
    const QStringList texts = labelTexts(&about);
    for (const char* heading : {"Halvorn", "Places I can be reached on the Internet", "Email:", "Web:"})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(heading))) << heading;
    EXPECT_EQ(about.lblEmail->text(), kSupportAddress);
    EXPECT_EQ(about.lblWeb->text(), kAboutWebAddress);
    EXPECT_EQ(about.Command1->text(), QStringLiteral("&Back"));
}

TEST_F(AboutWindow, LinksTurnBlueUnderTheMouseAndOpenMailAndWeb)
{
    frmAbout about(form.get());
    about.show();
    EXPECT_FALSE(about.lblEmail->hovered());
    EXPECT_TRUE(about.lblEmail->styleSheet().contains(QStringLiteral("#000000")));
    hover(about.lblEmail);
    EXPECT_TRUE(about.lblEmail->hovered());
    EXPECT_TRUE(about.lblEmail->styleSheet().contains(QStringLiteral("#0000FF")));
    EXPECT_EQ(about.lblEmail->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(about.lblWeb->hovered());
    leave(about.lblEmail);
    EXPECT_FALSE(about.lblEmail->hovered());
    EXPECT_TRUE(about.lblEmail->styleSheet().contains(QStringLiteral("#000000")));
    EXPECT_EQ(about.lblEmail->cursor().shape(), Qt::ArrowCursor);

    click(about.lblEmail);
    click(about.lblWeb);
    EXPECT_EQ(doubles.desktop.opened,
              (std::vector<QString>{QStringLiteral("mailto:") + kSupportAddress, kAboutWebAddress}));
}

TEST_F(AboutWindow, OpensModallyBesideTheMainWindowAndBackDestroysIt)
{
    form->move(300, 200);
    bool wasModal = false;
    QPoint where;
    QString version;
    QTimer::singleShot(0, [&] {
        frmAbout* about = ::AboutWindow();
        ASSERT_NE(about, nullptr);
        wasModal = QApplication::activeModalWidget() == about;
        where = about->pos();
        version = about->lbVer->text();
        about->Command1->click();
    });
    form->action(QStringLiteral("mnuhvrn"))->trigger();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(where, form->pos() + QPoint(33, 33));
    EXPECT_EQ(version, VersionLabel(BuildNumber()));
    EXPECT_EQ(::AboutWindow(), nullptr);
}

TEST_F(AboutWindow, TheExitProcedureClosesIt)
{
    bool closerRan = false;
    QTimer::singleShot(0, [&] {
        ASSERT_NE(::AboutWindow(), nullptr);
        Hooks().closers.value(QStringLiteral("frmAbout"))();
        closerRan = true;
    });
    ShowAboutWindow(form.get());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closerRan);
    EXPECT_EQ(::AboutWindow(), nullptr);
}

} // namespace

namespace {

TEST_F(AboutWindow, HiddenForAMemoItEndsItsModalRunAndOpensAfreshLater)
{
    QPointer<frmAbout> first;
    QTimer::singleShot(0, [&] {
        first = ::AboutWindow();
        HideToolWindows();
    });
    ShowAboutWindow(form.get());  // returns once hidden
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());

    bool shown = false;
    QTimer::singleShot(0, [&] {
        frmAbout* again = ::AboutWindow();
        ASSERT_NE(again, nullptr);
        shown = again->isVisible();
        again->Command1->click();
    });
    ShowAboutWindow(form.get());
    EXPECT_TRUE(shown);
}

} // namespace
