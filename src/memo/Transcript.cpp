#include "memo/Transcript.h"

void TrimTranscript(QString& text)
{
    while (text.size() > kTranscriptLimit) {
        const qsizetype lineEnd = text.indexOf(QLatin1String("\r\n"));
        // Dropping line by line from a huge unbroken block would take long;
        // without a line end the overflow goes in one cut.
        if (lineEnd < 0)
            text.remove(0, text.size() - kTranscriptLimit);
        else
            text.remove(0, lineEnd + 2);
    }
}

Transcript::Transcript(QObject* parent) : QObject(parent)
{
    refresh_.setSingleShot(true);
    refresh_.setInterval(250);
    connect(&refresh_, &QTimer::timeout, this, [this] { emit changed(text_); });
}

void Transcript::add(const QString& text)
{
    text_ += text;
    TrimTranscript(text_);
    if (!refresh_.isActive())
        refresh_.start();
}
