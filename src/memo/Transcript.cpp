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
