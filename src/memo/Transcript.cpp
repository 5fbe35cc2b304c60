#include "memo/Transcript.h"

#include <QPlainTextEdit>

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

Transcript::Transcript(QPlainTextEdit* view, QObject* parent) : QObject(parent), view_(view)
{
    refresh_.setSingleShot(true);
    refresh_.setInterval(250);
    connect(&refresh_, &QTimer::timeout, this, &Transcript::refresh);
}

void Transcript::add(const QString& text)
{
    text_ += text;
    TrimTranscript(text_);
    if (!refresh_.isActive())
        refresh_.start();
}

void Transcript::refresh()
{
    view_->setPlainText(text_);
    view_->moveCursor(QTextCursor::End);
}
