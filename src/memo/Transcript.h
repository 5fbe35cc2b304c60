#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QPlainTextEdit;

// The memo server's hidden transcript, kept to its last 20000 characters by
// dropping whole lines from the front.
inline constexpr qsizetype kTranscriptLimit = 20000;

void TrimTranscript(QString& text);

// The transcript and the view that shows it. Re-laying out 20000 characters
// on every arrival would let a crowd of slow senders stall the window, so
// the view is refreshed at most a few times a second.
class Transcript : public QObject {
public:
    Transcript(QPlainTextEdit* view, QObject* parent);
    void add(const QString& text);
    const QString& text() const { return text_; }

private:
    void refresh();

    QPlainTextEdit* view_;
    QString text_;
    QTimer refresh_;
};
