// Reads per second of ReadIni on a 2000-key hvrn.ini. Every read goes to the
// file, so this is the cost of one open, read and scan.
#include "core/Ini.h"
#include "core/ProgramDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("HALVORN_HOME", dir.path().toLocal8Bit());
    constexpr int kSections = 40;
    constexpr int kKeysPerSection = 50;
    QByteArray file;
    for (int s = 0; s < kSections; ++s) {
        file += "[Section " + QByteArray::number(s) + "]\r\n";
        for (int k = 0; k < kKeysPerSection; ++k)
            file += "Key " + QByteArray::number(k) + "=value of key " + QByteArray::number(k) + "\r\n";
        file += "\r\n";
    }
    QFile out(ProgramFile(QStringLiteral("hvrn.ini")));
    if (!out.open(QIODevice::WriteOnly))
        return 1;
    out.write(file);
    out.close();

    const int reads = argc > 1 ? atoi(argv[1]) : 50000;
    QRandomGenerator random(7);
    int found = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < reads; ++i) {
        const QString section = QStringLiteral("section %1").arg(random.bounded(kSections));
        const QString key = QStringLiteral("KEY %1").arg(random.bounded(kKeysPerSection));
        found += ReadIni(section, key, QString()).isEmpty() ? 0 : 1;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double rate = reads / seconds;
    std::printf("ReadIni on %d keys (%lld bytes): %d reads in %.3f s = %.0f reads/s (target >= 20000)%s\n",
                kSections * kKeysPerSection, static_cast<long long>(file.size()), reads, seconds, rate,
                found == reads ? "" : "  [some keys not found!]");
    return found == reads ? 0 : 1;
}
