#pragma once

#include "platform/Desktop.h"

#include <vector>

namespace platform {

class RecordingDesktop final : public Desktop {
  public:
    struct Start {
        QString program;
        QStringList arguments;
        QString workingDirectory;
    };

    bool open(const QString& pathOrUrl) override
    {
        opened.push_back(pathOrUrl);
        return succeed;
    }
    bool start(const QString& program, const QStringList& arguments, const QString& workingDirectory) override
    {
        started.push_back({program, arguments, workingDirectory});
        return succeed;
    }

    bool succeed = true;
    std::vector<QString> opened;
    std::vector<Start> started;
};

} // namespace platform
