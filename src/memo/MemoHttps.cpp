#include "memo/MemoHttps.h"

#include "core/Logs.h"
#include "core/MemoSettingsView.h"
#include "memo/AcmeChallenges.h"
#include "memo/AcmeManager.h"
#include "memo/MemoHttpsReport.h"
#include "memo/MemoLimits.h"
#include "memo/MemoTls.h"
#include "memo/MemoTransport.h"

#include <QFile>
#include <QTimer>

#include <algorithm>
#include <utility>

#include <sys/stat.h>

namespace {

constexpr qsizetype kMaxPemBytes = 1024 * 1024;
const QByteArray kChallengePath = QByteArrayLiteral("/.well-known/acme-challenge/");

bool isTokenCharacter(char ch)
{
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' ||
           ch == '_';
}

// The token of "GET /.well-known/acme-challenge/TOKEN HTTP/1.x", if the
// request line is exactly that.
QByteArray challengeToken(const QByteArray& request)
{
    const qsizetype lineEnd = request.indexOf('\n');
    const QByteArray line = request.left(lineEnd < 0 ? 0 : lineEnd).trimmed();
    const QByteArray prefix = "GET " + kChallengePath;
    if (!line.startsWith(prefix))
        return QByteArray();
    const qsizetype end = line.indexOf(' ', prefix.size());
    const QByteArray token = line.mid(prefix.size(), end < 0 ? -1 : end - prefix.size());
    if (token.isEmpty() || token.size() > 256 || !std::all_of(token.begin(), token.end(), isTokenCharacter))
        return QByteArray();
    return token;
}

} // namespace

FileStamp FileStamp::of(const QString& path)
{
    struct stat info {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return FileStamp();
    return {qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec, qint64(info.st_size),
            quint64(info.st_ino)};
}

std::optional<QByteArray> ReadSmallFile(const QString& path, qsizetype limit)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(limit + 1);
    if (bytes.size() > limit)
        return std::nullopt;
    return bytes;
}

MemoHttps::MemoHttps(MemoTransport& transport, QObject* parent)
    : QObject(parent), transport_(transport), challenges_(std::make_shared<AcmeChallenges>())
{
    fileCheck_ = new QTimer(this);
    connect(fileCheck_, &QTimer::timeout, this, &MemoHttps::checkFiles);
}

MemoHttps::~MemoHttps() = default;

quint16 MemoHttps::port() const
{
    return transport_.port();
}

void MemoHttps::apply(const HttpsSettings& settings)
{
    // A new Public Address is a new certificate name. Files that did not
    // load are tried again; an order under way is left to run.
    const QString name = MemoSettings().httpsName();
    const bool settled = serving_ || settings.mode != HttpsSettings::Mode::Files;
    if (settings == settings_ && name == name_ && settled)
        return;
    settings_ = settings;
    name_ = name;
    transport_.setHttps(settings.on());
    delete acme_;
    acme_ = nullptr;
    fileCheck_->stop();
    certificateStamp_ = keyStamp_ = FileStamp();
    failedStamps_ = {};
    if (settings.mode == HttpsSettings::Mode::Off) {
        transport_.setTlsContext(nullptr);
        serving_ = false;
        return;
    }
    if (settings.mode == HttpsSettings::Mode::Files) {
        checkFiles();
        fileCheck_->start(memoLimits().certificateCheckMs);
        return;
    }
    acme_ = new AcmeManager(*this, this);
    acme_->start();
}

bool MemoHttps::install(const QByteArray& chain, const QByteArray& key, const QString& source)
{
    QString problem;
    std::shared_ptr<MemoTlsContext> context = MemoTlsContext::fromPem(chain, key, problem);
    if (!context) {
        memo::ReportHttpsTrouble(source + QStringLiteral(": ") + problem);
        return false;
    }
    transport_.setTlsContext(std::move(context));
    serving_ = true;
    memo::ReportHttps(QStringLiteral("certificate in force from ") + source);
    return true;
}

void MemoHttps::checkFiles()
{
    const FileStamp certificate = FileStamp::of(settings_.certificateFile);
    const FileStamp key = FileStamp::of(settings_.keyFile);
    if (serving_ && certificate == certificateStamp_ && key == keyStamp_)
        return;
    // Told once per look of the files: a tool still writing them is tried
    // again on the next check without another notification.
    const bool toldAlready = failedStamps_ == std::pair(certificate, key);
    const auto chain = ReadSmallFile(settings_.certificateFile, kMaxPemBytes);
    const auto pem = ReadSmallFile(settings_.keyFile, kMaxPemBytes);
    if (!chain || !pem) {
        if (!toldAlready)
            memo::ReportHttpsTrouble(
                QStringLiteral(
                    "the certificate file \"%1\" or key file \"%2\" cannot be read (at most 1 MiB each)")
                    .arg(settings_.certificateFile.left(200), settings_.keyFile.left(200)));
        failedStamps_ = {certificate, key};
        return;
    }
    QString problem;
    std::shared_ptr<MemoTlsContext> context = MemoTlsContext::fromPem(*chain, *pem, problem);
    if (!context) {
        if (!toldAlready)
            memo::ReportHttpsTrouble(problem);
        failedStamps_ = {certificate, key};
        return;
    }
    transport_.setTlsContext(std::move(context));
    certificateStamp_ = certificate;
    keyStamp_ = key;
    failedStamps_ = {};
    serving_ = true;
    memo::ReportHttps(QStringLiteral("certificate loaded from ") + settings_.certificateFile.left(200));
}

std::optional<QByteArray> MemoHttps::challengeAnswer(const QByteArray& request) const
{
    const QByteArray token = challengeToken(request);
    const std::optional<QByteArray> answer = token.isEmpty() ? std::nullopt : challenges_->find(token);
    if (!answer)
        return std::nullopt;
    return "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
           QByteArray::number(answer->size()) + "\r\n\r\n" + *answer;
}
