#pragma once

#include <QByteArray>

// Decides, as the bytes of one connection arrive, when its request is
// complete. A memo request is complete once it holds "MESSAGE" and "&REPLY"
// and, when it says how long its body is, the whole body; a request whose
// first line holds neither "GET" nor "POST" is answered as not found, and so
// is one whose headers and announced body are in without the memo fields (a
// visitor typing the address into a browser). A POST that announces no
// length may still send its body, so it waits for more. The
// text is scanned once, not again on every arrival, so a request that trickles
// in byte by byte costs no more than one that comes at once.
class RequestScanner {
  public:
    enum class Verdict { Collecting, Complete, NotFound };

    // text: everything received so far; earlier calls saw a prefix of it.
    Verdict update(const QByteArray& text);

  private:
    void scanHeaders(const QByteArray& text);

    qsizetype scanned_ = 0;
    bool message_ = false;
    bool reply_ = false;
    bool post_ = false;
    bool get_ = false;
    bool lineEnd_ = false;
    qsizetype bodyStart_ = -1; // after the blank line that ends the headers
    qint64 contentLength_ = 0;
    bool lengthGiven_ = false;
};
