#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <unistd.h>

// A real, small file system (tmpfs) that a test can fill to the last byte.
// Mounting needs root, which CI has; elsewhere available() is false and
// reason() says why, for the test's skip message.
class SmallDisk {
  public:
    explicit SmallDisk(int kilobytes = 512)
    {
        if (::geteuid() != 0) {
            reason_ = QStringLiteral("a full-disk test mounts a tmpfs and needs root");
            return;
        }
        const int status = QProcess::execute(
            QStringLiteral("mount"),
            {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
             QStringLiteral("size=%1k,mode=0755").arg(kilobytes), QStringLiteral("tmpfs"), dir_.path()});
        mounted_ = status == 0;
        if (!mounted_)
            reason_ = QStringLiteral("mount -t tmpfs failed (%1)").arg(status);
    }
    ~SmallDisk()
    {
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), dir_.path()});
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool available() const { return mounted_; }
    QString reason() const { return reason_; }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

    // Takes every free byte, so the next write that needs a block fails.
    void fill()
    {
        QFile filler(file(QStringLiteral(".filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
            return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        const QByteArray byte(1, 'x');
        while (filler.write(byte) == 1) {
        }
    }
    // Nothing can be written any more, as on a read-only mount.
    bool makeReadOnly()
    {
        return mounted_ &&
               QProcess::execute(QStringLiteral("mount"),
                                 {QStringLiteral("-o"), QStringLiteral("remount,ro"), dir_.path()}) == 0;
    }
    // Gives the space back.
    void makeRoom() { QFile::remove(file(QStringLiteral(".filler"))); }

  private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    QString reason_;
};
