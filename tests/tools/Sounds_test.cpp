#include "tools/Sounds.h"

#include "support/PlatformDoubles.h"

#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

TEST(SoundRule, PlaysTheFileOnlyWhenAWaveDeviceExistsAskingEachTime)
{
    PlatformDoubles doubles;
    doubles.sound.outputs = 0;
    PlaySoundFile(QStringLiteral("/snd/memo.wav"));
    EXPECT_EQ(doubles.sound.beeps, 1);
    EXPECT_TRUE(doubles.sound.played.isEmpty());

    doubles.sound.outputs = 1;
    PlaySoundFile(QStringLiteral("/snd/memo.wav"));
    PlaySoundFile(QStringLiteral("/snd/missing.wav"));
    EXPECT_EQ(doubles.sound.played,
              (QStringList{QStringLiteral("/snd/memo.wav"), QStringLiteral("/snd/missing.wav")}));
    EXPECT_EQ(doubles.sound.beeps, 1);

    // The device went away: the next sound is a beep again.
    doubles.sound.outputs = 0;
    PlaySoundFile(QStringLiteral("/snd/memo.wav"));
    EXPECT_EQ(doubles.sound.beeps, 2);
    EXPECT_EQ(doubles.sound.played.size(), 2);
    EXPECT_EQ(doubles.sound.exclamations, 0);
}

TEST(SoundRule, AlertBeepIsTheExclamationWithADeviceAndTheBeepWithout)
{
    PlatformDoubles doubles;
    doubles.sound.outputs = 0;
    AlertBeep();
    EXPECT_EQ(doubles.sound.beeps, 1);
    EXPECT_EQ(doubles.sound.exclamations, 0);
    doubles.sound.outputs = 1;
    AlertBeep();
    EXPECT_EQ(doubles.sound.beeps, 1);
    EXPECT_EQ(doubles.sound.exclamations, 1);
    EXPECT_TRUE(doubles.sound.played.isEmpty());
}

TEST(SoundBrowse, AChoiceReplacesTheFieldAndCancelLeavesIt)
{
    PlatformDoubles doubles;
    QLineEdit field(QStringLiteral("/old/ding.wav"));
    EXPECT_FALSE(BrowseSoundFile(nullptr, &field, QStringLiteral("/home/u")));
    EXPECT_EQ(field.text(), QStringLiteral("/old/ding.wav"));

    doubles.dialogs.setNextResult(QStringLiteral("/new/bell.wav "));
    EXPECT_TRUE(BrowseSoundFile(nullptr, &field));
    EXPECT_EQ(field.text(), QStringLiteral("/new/bell.wav"));

    EXPECT_EQ(BrowseSoundFile(nullptr, QStringLiteral("/kept.wav")), QStringLiteral("/kept.wav"));

    ASSERT_EQ(doubles.dialogs.shown().size(), 3u);
    const auto& first = doubles.dialogs.shown().front();
    EXPECT_EQ(first.kind, platform::ScriptedFileDialogs::Kind::Open);
    EXPECT_EQ(first.request.title, QStringLiteral("Select sound file"));
    EXPECT_EQ(first.request.qtFilter, QStringLiteral("Wav files (*.wav);;All files (*.*)"));
    EXPECT_EQ(first.request.startDirectory, QStringLiteral("/home/u"));
}

} // namespace
