#pragma once

#include "platform/FileDialogProvider.h"

#include <deque>
#include <vector>

namespace platform {

// Answers dialogs from a queue; an empty queue means the user cancelled.
class ScriptedFileDialogs final : public FileDialogProvider {
  public:
    enum class Kind { Open, Save };
    struct Shown {
        Kind kind;
        FileDialogRequest request;
    };

    void setNextResult(const QString& path) { results_.push_back(path); }
    const std::vector<Shown>& shown() const { return shown_; }

    QString open(QWidget*, const FileDialogRequest& request) override { return take(Kind::Open, request); }
    QString save(QWidget*, const FileDialogRequest& request) override { return take(Kind::Save, request); }

  private:
    QString take(Kind kind, const FileDialogRequest& request)
    {
        shown_.push_back({kind, request});
        if (results_.empty())
            return QString();
        QString result = results_.front();
        results_.pop_front();
        return result;
    }

    std::deque<QString> results_;
    std::vector<Shown> shown_;
};

} // namespace platform
