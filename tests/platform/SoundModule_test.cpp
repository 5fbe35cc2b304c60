#include "platform/SoundDevice.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The real device with the built module, with no module, and with a file in
// its place that is no library: only the built module gives wave output, and
// a missing one is said once, however many sounds follow.
TEST(SoundModule, LoadsTheModuleOrFallsBackToTheBeepSayingSoOnce)
{
    QTemporaryDir empty, broken;
    QFile fake(broken.filePath("halvorn_sound.so"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("not a library");
    fake.close();
    const struct {
        QString dir;
        bool loaded;
    } cases[] = {{HALVORN_SOUND_MODULE_DIR, true}, {empty.path(), false}, {broken.path(), false}};
    for (const auto& c : cases) {
        QStringList notices;
        platform::setSoundNotice([&notices](const QString& text) { notices << text; });
        platform::ModuleSoundDevice device(c.dir);
        const int outputs = device.waveOutputCount();
        device.playAsync(broken.filePath("none.wav"));
        device.playAsync(broken.filePath("none.wav"));
        device.exclamation();
        EXPECT_EQ(device.moduleLoaded(), c.loaded) << c.dir.toStdString();
        EXPECT_TRUE(c.loaded ? outputs >= 0 : outputs == 0) << outputs;
        ASSERT_EQ(notices.size(), c.loaded ? 0 : 1) << notices.join('\n').toStdString();
        EXPECT_TRUE(c.loaded || notices[0].contains("halvorn_sound.so")) << notices.join('\n').toStdString();
        platform::setSoundNotice(nullptr);
    }
}
