#include "platform/FileDialogProvider.h"
#include "platform/FileDialogs.h"
#include "support/PlatformDoubles.h"

#include <QtWidgets>
#include <gtest/gtest.h>

namespace {

// The filter to Qt's form, and "every file" matching names without an
// extension too, are proven on the real dialog below.
TEST(FileDialogs, FiltersTakeQtsFormAndAnswersArePlainPaths)
{
    using Rule = QString (*)(const QString&);
    const Rule convert = ConvertDialogFilter, match = platform::NameFilterForMatching,
               clean = CleanDialogResult;
    const QString longest = '/' + QString(kDialogPathLimit - 1, 'a');
    const struct {
        Rule rule;
        QString given, expected;
    } cases[] = {
        // With or without the final bar, the same dialog filter.
        {convert, "Text (*.txt)|*.txt|All Files (*.*)|*.*|", "Text (*.txt);;All Files (*.*)"},
        {convert, "Wav files (*.wav)|*.wav|All files (*.*)|*.*", "Wav files (*.wav);;All files (*.*)"},
        // Patterns the description already shows, in either spelling, are not repeated.
        {convert, "Web (*.html;*.htm)|*.html;*.htm", "Web (*.html;*.htm)"},
        {convert, "Web (*.html *.htm)|*.html;*.htm|", "Web (*.html *.htm)"},
        {convert, "Pages (*.htm)|*.html", "Pages (*.htm) (*.html)"},
        // A description without patterns is dropped; patterns without one show themselves.
        {convert, "", ""},
        {convert, "|", ""},
        {convert, "||", ""},
        {convert, "Text|*.txt|Lonely", "Text (*.txt)"},
        {convert, "|*.log; *.txt;", "(*.log *.txt)"},
        {match, "Mixed (*.html *.*);;Text (*.txt)", "Mixed (*.html *);;Text (*.txt)"},
        {match, "Backups (*.*.bak)", "Backups (*.*.bak)"},
        // Answers lose blanks at both ends and the NUL tail; overlong ones are refused.
        {clean, "  /home/u/a b.txt   ", "/home/u/a b.txt"},
        {clean, "/tmp/x.wav" + QString(QChar(u'\0')) + "rest of buffer", "/tmp/x.wav"},
        {clean, longest, longest},
        {clean, longest + 'a', ""},
        {clean, QString(300, ' '), ""}};
    for (const auto& c : cases)
        EXPECT_EQ(c.rule(c.given), c.expected) << c.given.toStdString();
}

// Driven offscreen: the first one shown is cancelled, every later one accepted.
// Saving asks before creating the file and offers the name again on No.
TEST(FileDialogs, TheRealDialogsShowTheRequestAndGiveTheChoice)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("tool"); // no extension: "*.*" must still show it
    ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedOverride<platform::MessageBoxes> useBoxes(boxes);
    boxes.setNextAnswer(platform::MsgAnswer::No);
    boxes.setNextAnswer(platform::MsgAnswer::Yes);
    QStringList seen;
    int shown = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible())
            return;
        if (shown++ == 0)
            return seen = d->nameFilters() << d->windowTitle() << d->directory().absolutePath(), d->reject();
        if (d->acceptMode() == QFileDialog::AcceptOpen)
            d->selectFile(file);
        seen.append(d->selectedFiles().value(0));
        static_cast<QDialog*>(d)->accept();
    });
    poll.start(5);
    EXPECT_EQ(ShowOpenDialog(nullptr, "HTML Files|*.html;*.htm|Text (*.txt)|*.txt|All Files (*.*)|*.*",
                             "Select file", dir.path()),
              "");
    EXPECT_EQ(seen, QStringList({"HTML Files (*.html *.htm)", "Text (*.txt)", "All Files (*)", "Select file",
                                 QDir(dir.path()).absolutePath()}));
    EXPECT_EQ(ShowOpenDialog(nullptr, "All files (*.*)|*.*", "Pick", dir.path()), file);

    seen.clear();
    const QString expected = dir.filePath("HVRNbug.txt");
    EXPECT_EQ(
        ShowSaveDialog(nullptr, "Text files (*.txt)|*.txt", "Save DebugLog As", dir.path(), "HVRNbug.txt"),
        expected);
    EXPECT_EQ(seen, QStringList(2, expected));
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_TRUE(boxes.shown()[0].text.startsWith(expected));
    EXPECT_EQ(boxes.shown()[0].buttons, platform::MsgButtons::YesNo);
}

} // namespace
