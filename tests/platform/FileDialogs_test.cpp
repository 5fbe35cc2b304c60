#include "platform/FileDialogProvider.h"
#include "platform/FileDialogs.h"

#include "support/PlatformDoubles.h"

#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kHtmlFilter =
    QStringLiteral("HTML Files|*.html;*.htm|Text (*.txt)|*.txt|All Files (*.*)|*.*");

TEST(DialogFilter, PairsBecomeQtFiltersWithOrWithoutTheFinalBar)
{
    const QString expected =
        QStringLiteral("HTML Files (*.html *.htm);;Text (*.txt);;All Files (*.*)");
    EXPECT_EQ(ConvertDialogFilter(kHtmlFilter), expected);
    EXPECT_EQ(ConvertDialogFilter(kHtmlFilter + QLatin1Char('|')), expected);
    EXPECT_EQ(ConvertDialogFilter(QStringLiteral("Wav files (*.wav)|*.wav|All files (*.*)|*.*")),
              QStringLiteral("Wav files (*.wav);;All files (*.*)"));
    EXPECT_EQ(ConvertDialogFilter(QStringLiteral("Text files (*.txt)|*.txt")),
              QStringLiteral("Text files (*.txt)"));
}

TEST(DialogFilter, PatternsShownInEitherSpellingAreNotRepeated)
{
    EXPECT_EQ(ConvertDialogFilter(QStringLiteral("Web (*.html;*.htm)|*.html;*.htm")),
              QStringLiteral("Web (*.html;*.htm)"));
    EXPECT_EQ(ConvertDialogFilter(QStringLiteral("Web (*.html *.htm)|*.html;*.htm|")),
              QStringLiteral("Web (*.html *.htm)"));
    // A description naming other patterns still gets its own.
    EXPECT_EQ(ConvertDialogFilter(QStringLiteral("Pages (*.htm)|*.html")),
              QStringLiteral("Pages (*.htm) (*.html)"));
}

TEST(DialogFilter, OddFiltersGiveUsableLists)
{
    EXPECT_EQ(ConvertDialogFilter(QString()), QString());
    EXPECT_EQ(ConvertDialogFilter(QStringLiteral("|")), QString());
    EXPECT_EQ(ConvertDialogFilter(QStringLiteral("||")), QString());
    // A description without patterns is dropped; patterns without one show themselves.
    EXPECT_EQ(ConvertDialogFilter(QStringLiteral("Text|*.txt|Lonely")), QStringLiteral("Text (*.txt)"));
    EXPECT_EQ(ConvertDialogFilter(QStringLiteral("|*.log; *.txt;")), QStringLiteral("(*.log *.txt)"));
}

TEST(DialogFilter, EveryFileMatchesFilesWithoutExtension)
{
    EXPECT_EQ(platform::NameFilterForMatching(QStringLiteral("All Files (*.*)")),
              QStringLiteral("All Files (*)"));
    EXPECT_EQ(platform::NameFilterForMatching(QStringLiteral("Mixed (*.html *.*);;Text (*.txt)")),
              QStringLiteral("Mixed (*.html *);;Text (*.txt)"));
    EXPECT_EQ(platform::NameFilterForMatching(QStringLiteral("Backups (*.*.bak)")),
              QStringLiteral("Backups (*.*.bak)"));
}

TEST(DialogResult, BlanksAndNulTailAreRemovedAndLongPathsRefused)
{
    EXPECT_EQ(CleanDialogResult(QStringLiteral("  /home/u/a b.txt   ")), QStringLiteral("/home/u/a b.txt"));
    QString withNul = QStringLiteral("/tmp/x.wav");
    withNul += QChar(u'\0');
    withNul += QStringLiteral("rest of buffer");
    EXPECT_EQ(CleanDialogResult(withNul), QStringLiteral("/tmp/x.wav"));
    const QString longest = QLatin1Char('/') + QString(kDialogPathLimit - 1, QLatin1Char('a'));
    EXPECT_EQ(CleanDialogResult(longest), longest);
    EXPECT_EQ(CleanDialogResult(longest + QLatin1Char('a')), QString());
    EXPECT_EQ(CleanDialogResult(QString(300, QLatin1Char(' '))), QString());
}

TEST(SharedDialogs, OpenPassesTheRequestAndCleansTheAnswer)
{
    PlatformDoubles doubles;
    doubles.dialogs.setNextResult(QStringLiteral("/srv/pages/on.html  "));
    EXPECT_EQ(ShowOpenDialog(nullptr, kHtmlFilter, QStringLiteral("Select file"), QStringLiteral("/srv")),
              QStringLiteral("/srv/pages/on.html"));
    // Cancel: the scripted queue is empty.
    EXPECT_EQ(ShowOpenDialog(nullptr, kHtmlFilter, QStringLiteral("Select file"), QStringLiteral("/srv")),
              QString());
    ASSERT_EQ(doubles.dialogs.shown().size(), 2u);
    const auto& shown = doubles.dialogs.shown().front();
    EXPECT_EQ(shown.kind, platform::ScriptedFileDialogs::Kind::Open);
    EXPECT_EQ(shown.request.title, QStringLiteral("Select file"));
    EXPECT_EQ(shown.request.startDirectory, QStringLiteral("/srv"));
    EXPECT_EQ(shown.request.qtFilter,
              QStringLiteral("HTML Files (*.html *.htm);;Text (*.txt);;All Files (*.*)"));
    EXPECT_TRUE(shown.request.proposedName.isEmpty());
}

TEST(SharedDialogs, SaveProposesTheNameAndReturnsItWithoutTrailingBlanks)
{
    PlatformDoubles doubles;
    doubles.dialogs.setNextResult(QStringLiteral("/home/u/HVRNbug.txt    "));
    EXPECT_EQ(ShowSaveDialog(nullptr, QStringLiteral("Text files (*.txt)|*.txt"),
                             QStringLiteral("Save DebugLog As"), QStringLiteral("/home/u"),
                             QStringLiteral("HVRNbug.txt")),
              QStringLiteral("/home/u/HVRNbug.txt"));
    const QString tooLong(400, QLatin1Char('n'));
    EXPECT_EQ(ShowSaveDialog(nullptr, QStringLiteral("All files (*.*)|*.*"), QStringLiteral("t"),
                             QString(), tooLong),
              QString());
    ASSERT_EQ(doubles.dialogs.shown().size(), 2u);
    EXPECT_EQ(doubles.dialogs.shown()[0].kind, platform::ScriptedFileDialogs::Kind::Save);
    EXPECT_EQ(doubles.dialogs.shown()[0].request.proposedName, QStringLiteral("HVRNbug.txt"));
    EXPECT_EQ(doubles.dialogs.shown()[0].request.qtFilter, QStringLiteral("Text files (*.txt)"));
    EXPECT_EQ(doubles.dialogs.shown()[1].request.proposedName.size(), kDialogPathLimit);
}

// The real dialogs, driven offscreen: each time a file dialog is up and
// visible, the next answer is given to it.
class DialogAnswers {
public:
    explicit DialogAnswers(std::vector<std::function<void(QFileDialog*)>> answers)
        : answers_(std::move(answers))
    {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || next_ >= answers_.size())
                return;
            answers_[next_++](dialog);
        });
        poll_.start(5);
    }
    size_t given() const { return next_; }

private:
    std::vector<std::function<void(QFileDialog*)>> answers_;
    size_t next_ = 0;
    QTimer poll_;
};

TEST(RealDialogs, OpenShowsTitleFilterAndStartFolderAndCancelsEmpty)
{
    QTemporaryDir dir;
    QStringList filters;
    QString title;
    QString folder;
    DialogAnswers answers({[&](QFileDialog* d) {
        filters = d->nameFilters();
        title = d->windowTitle();
        folder = d->directory().absolutePath();
        d->reject();
    }});
    EXPECT_EQ(ShowOpenDialog(nullptr, kHtmlFilter, QStringLiteral("Select file"), dir.path()), QString());
    EXPECT_EQ(title, QStringLiteral("Select file"));
    EXPECT_EQ(folder, QDir(dir.path()).absolutePath());
    EXPECT_EQ(filters, (QStringList{QStringLiteral("HTML Files (*.html *.htm)"),
                                    QStringLiteral("Text (*.txt)"), QStringLiteral("All Files (*)")}));
}

TEST(RealDialogs, OpenReturnsTheChosenExistingFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("tool"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    DialogAnswers answers({[&](QFileDialog* d) {
        d->selectFile(file);
        static_cast<QDialog*>(d)->accept();
    }});
    EXPECT_EQ(ShowOpenDialog(nullptr, QStringLiteral("All files (*.*)|*.*"), QStringLiteral("Pick"),
                             dir.path()),
              file);
}

TEST(RealDialogs, SaveAsksBeforeCreatingAndOffersTheNameAgainOnNo)
{
    QTemporaryDir dir;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedOverride<platform::MessageBoxes> useBoxes(boxes);
    boxes.setNextAnswer(platform::MsgAnswer::No);
    boxes.setNextAnswer(platform::MsgAnswer::Yes);
    QStringList proposed;
    auto answer = [&](QFileDialog* d) {
        proposed.append(d->selectedFiles().value(0));
        static_cast<QDialog*>(d)->accept();
    };
    DialogAnswers answers({answer, answer});
    const QString path = ShowSaveDialog(nullptr, QStringLiteral("Text files (*.txt)|*.txt"),
                                        QStringLiteral("Save DebugLog As"), dir.path(),
                                        QStringLiteral("HVRNbug.txt"));
    const QString expected = dir.filePath(QStringLiteral("HVRNbug.txt"));
    EXPECT_EQ(path, expected);
    EXPECT_EQ(answers.given(), 2u);
    ASSERT_EQ(proposed.size(), 2);
    EXPECT_EQ(proposed[0], expected);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_TRUE(boxes.shown()[0].text.startsWith(expected));
    EXPECT_EQ(boxes.shown()[0].buttons, platform::MsgButtons::YesNo);
}

} // namespace
