#pragma once

#include "platform/MailServerAddress.h"

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

#include <atomic>
#include <functional>
#include <memory>

namespace platform {

// One libcurl easy handle with the options every protocol client shares:
// an error buffer, the protocol trail split into lines, an abort flag that
// the progress callback turns into a prompt return, no signals, and the
// connect and low-speed time-outs. The callbacks run on the worker thread
// that performs the transfer; the sinks given here must only queue work.
class CurlEasy {
  public:
    enum TrailType { Sent = 0, Received = 1, Information = 2 };
    using LineSink = std::function<void(int type, const QByteArray& line)>;
    // Bytes received and sent so far in the current transfer.
    using ProgressSink = std::function<void(curl_off_t received, curl_off_t sent)>;

    struct Limits {
        int connectSeconds = 30;
        int lowSpeedSeconds = 30; // under one byte a second for this long ends the transfer
    };

    CurlEasy() = default;
    ~CurlEasy();
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    // Creates the handle with the common options; false when libcurl cannot start.
    bool open(const Limits& limits, std::shared_ptr<const std::atomic<bool>> abort, LineSink lines,
              ProgressSink progress = {});
    // Cleans the handle up; a cached connection says goodbye (QUIT) first.
    void close();
    // Sends QUIT as an ordinary command, so that it and the server's goodbye
    // reach the trail, then closes. prepare undoes what the last transfer set
    // up that QUIT must not repeat.
    void quitAndClose(const std::function<void(CURL*)>& prepare);
    // Certificate checks, and STARTTLS on a connection that starts in plain
    // text. True when the connection uses TLS without checking certificates,
    // which the caller tells the user (kUncheckedCertificates).
    bool setMailTls(bool implicitTls, MailTls startTls, bool verifyPeer);
    void setPeerVerification(bool verifyPeer);
    // TLS asked for after a plain-text start; nothing when off.
    void setStartTls(StartTls startTls);
    CURL* handle() const { return easy_; }
    // Runs one transfer on the handle, like curl_easy_perform, and keeps the
    // connection for the next one.
    CURLcode perform();
    bool isOpen() const { return easy_ != nullptr; }

    void clearError() { errorText_[0] = 0; }
    // libcurl's text for the result with the error buffer's detail.
    QString describe(CURLcode result) const;

    // libcurl's connection notes turned into the component's own
    // "Connected." / "Disconnected." information lines.
    enum class News { None, Connected, Disconnected };
    News news(const QByteArray& informationLine);
    bool connectionUp() const { return lineConnected_; }

  private:
    static int debug(CURL*, curl_infotype kind, char* data, size_t size, void* self);
    int nextWaitMilliseconds();
    static int progress(void* self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent);

    CURL* easy_ = nullptr;
    CURLM* multi_ = nullptr; // owns the connection kept between transfers
    int idleRounds_ = 0;     // rounds in a row with nothing to watch
    char errorText_[CURL_ERROR_SIZE] = {};
    std::shared_ptr<const std::atomic<bool>> abort_;
    LineSink lines_;
    ProgressSink progress_;
    bool lineConnected_ = false;
};

// libcurl's global set-up, done once at the first transfer rather than at
// start-up; false when libcurl cannot start.
bool CurlGlobalInit();

inline const QString kUncheckedCertificates =
    QStringLiteral("Certificates are not checked: the server's identity is not verified.");

// Why a login cannot be sent (a stored password can unscramble into control
// characters when the settings file was damaged or edited by hand); empty
// when both fields are fine.
QString LoginFieldProblem(const QString& user, const QString& password);

// Hides what a client line gives away of a login: the PASS, APOP and AUTH
// commands and the answers that follow AUTH until the server ends the
// exchange. continuation is the server's prefix for a challenge ("+" for
// POP3, "334" for SMTP).
class TrailMask {
  public:
    explicit TrailMask(QByteArray continuation) : continuation_(std::move(continuation)) {}
    QByteArray client(const QByteArray& line);
    void server(const QByteArray& line);

  private:
    QByteArray continuation_;
    bool inAuth_ = false;
};

} // namespace platform
