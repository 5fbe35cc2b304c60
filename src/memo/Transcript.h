#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// The memo server's transcript, kept to its last 20000 characters by
// dropping whole lines from the front.
inline constexpr qsizetype kTranscriptLimit = 20000;

void TrimTranscript(QString& text);

// The transcript as text. Re-laying out 20000 characters on every arrival
// would let a crowd of slow senders stall whatever shows it, so a view hears
// of changes at most once every 250 ms, and always of the last one.
class Transcript : public QObject {
    Q_OBJECT

  public:
    explicit Transcript(QObject* parent);
    void add(const QString& text);
    const QString& text() const { return text_; }

  signals:
    void changed(const QString& text);

  private:
    QString text_;
    QTimer refresh_;
};
