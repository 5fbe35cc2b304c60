#include "support/MailServers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kStartMilliseconds = 15000;

// Dovecot refuses to deliver mail as root: the mailbox belongs to "nobody".
void giveToNobody(const QString& path)
{
    (void)::chown(QFile::encodeName(path).constData(), getpwnam("nobody")->pw_uid,
                  getgrnam("nogroup")->gr_gid);
}

bool waitForListener(int port, const QProcess& process)
{
    QElapsedTimer clock;
    for (clock.start(); clock.elapsed() < kStartMilliseconds && process.state() != QProcess::NotRunning;
         QThread::msleep(50)) {
        QTcpSocket probe;
        probe.connectToHost(u"127.0.0.1"_s, quint16(port));
        if (probe.waitForConnected(500))
            return true;
    }
    return false;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

} // namespace

bool MakeTestCertificate(const QString& folder)
{
    QProcess openssl;
    openssl.start(u"/usr/bin/openssl"_s,
                  u"req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
                  "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1"_s.split(u' ') +
                      QStringList{u"-keyout"_s, folder + u"/key.pem"_s, u"-out"_s, folder + u"/cert.pem"_s});
    return openssl.waitForFinished(60000) && openssl.exitCode() == 0;
}

int FreeLoopbackPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// ---- Pop3TestServer

Pop3TestServer::Pop3TestServer(bool tls)
{
    // The server's own users must reach the folder that holds the mailbox.
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
    QDir(dir_.path()).mkpath(u"run"_s), QDir(dir_.path()).mkpath(u"state"_s);
    for (const QString& sub : {u"Maildir"_s, u"Maildir/new"_s, u"Maildir/cur"_s, u"Maildir/tmp"_s})
        QDir(dir_.path()).mkpath(sub), giveToNobody(dir_.filePath(sub));
    if (tls && !MakeTestCertificate(dir_.path()))
        return;
    // A port taken between the probe and dovecot's bind costs one more try.
    for (int attempt = 0; attempt < 3 && !start(tls); ++attempt) {
    }
}

bool Pop3TestServer::start(bool tls)
{
    port_ = FreeLoopbackPort();
    tlsPort_ = tls ? FreeLoopbackPort() : 0;
    const QString base = dir_.path();
    // The folder, the ports, then the TLS lines.
    QString conf = QString::fromUtf8(slurp(QStringLiteral(HALVORN_SUPPORT_SERVERS "/dovecot.conf")))
                       .replace(u"@DIR@"_s, base)
                       .replace(u"@PORT@"_s, QString::number(port_))
                       .replace(u"@TLSPORT@"_s, QString::number(tlsPort_));
    conf +=
        tls ? u"ssl = yes\nssl_cert = <%1/cert.pem\nssl_key = <%1/key.pem\n"_s.arg(base) : u"ssl = no\n"_s;
    writeFile(dir_.filePath(u"dovecot.conf"_s), conf.toUtf8());
    writeFile(dir_.filePath(u"users"_s), "tester:{PLAIN}secret:::::\n");

    master_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    master_.setChildProcessModifier([] { ::setpgid(0, 0); });
    master_.start(u"/usr/sbin/dovecot"_s, QStringList{u"-F"_s, u"-c"_s, dir_.filePath(u"dovecot.conf"_s)});
    if (master_.waitForStarted(kStartMilliseconds) && waitForListener(port_, master_))
        return true;
    master_.kill();
    master_.waitForFinished(3000);
    port_ = tlsPort_ = 0;
    return false;
}

void Pop3TestServer::addMessage(const QByteArray& rfc822)
{
    // Dovecot numbers new mail in the order of the file names' time stamps.
    ++added_;
    const QString name = u"%1.M%2P%3.halvorn"_s.arg(1700000000 + added_).arg(added_).arg(getpid());
    const QString temporary = dir_.filePath(u"Maildir/tmp/"_s + name);
    writeFile(temporary, rfc822);
    giveToNobody(temporary);
    QFile::rename(temporary, dir_.filePath(u"Maildir/new/"_s + name));
}

int Pop3TestServer::messageCount() const
{
    return int(QDir(dir_.filePath(u"Maildir/new"_s)).entryList(QDir::Files).size() +
               QDir(dir_.filePath(u"Maildir/cur"_s)).entryList(QDir::Files).size());
}

namespace {

// Subject lines of the files in the folders, ordered by name (the order added).
QStringList subjectsIn(const QStringList& folders)
{
    QMap<QString, QString> byName;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList(QDir::Files)) {
            const QByteArray bytes = slurp(dir.filePath(name));
            const qsizetype at = bytes.indexOf("\nSubject: ");
            const qsizetype end = bytes.indexOf('\r', at + 10);
            byName.insert(name, QString::fromUtf8(at < 0 ? QByteArray() : bytes.mid(at + 10, end - at - 10)));
        }
    }
    return byName.values();
}

bool removeMatching(const QStringList& folders, const QString& part)
{
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList(QDir::Files))
            if (name.contains(part))
                return QFile::remove(dir.filePath(name));
    }
    return false;
}

} // namespace

QStringList Pop3TestServer::subjects() const
{
    return subjectsIn({dir_.filePath(u"Maildir/new"_s), dir_.filePath(u"Maildir/cur"_s)});
}

void Pop3TestServer::removeBehind(int added)
{
    removeMatching({dir_.filePath(u"Maildir/new"_s), dir_.filePath(u"Maildir/cur"_s)}, u".M%1P"_s.arg(added));
}

Pop3NoUidlServer::Pop3NoUidlServer()
{
    process_.start(u"/usr/bin/python3"_s,
                   {QStringLiteral(HALVORN_SUPPORT_SERVERS "/pop3_no_uidl.py"), u"--dir"_s, dir_.path()});
    while (!process_.canReadLine() && process_.waitForReadyRead(kStartMilliseconds)) {
    }
    const QByteArray line = process_.readLine();
    port_ = line.startsWith("PORT ") ? line.mid(5).trimmed().toInt() : 0;
}

void Pop3NoUidlServer::addMessage(const QByteArray& rfc822)
{
    ++added_;
    writeFile(dir_.filePath(u"%1.eml"_s.arg(added_, 6, 10, QLatin1Char('0'))), rfc822);
}

void Pop3NoUidlServer::removeBehind(int added)
{
    QFile::remove(dir_.filePath(u"%1.eml"_s.arg(added, 6, 10, QLatin1Char('0'))));
}

QStringList Pop3NoUidlServer::subjects() const
{
    return subjectsIn({dir_.path()});
}

void Pop3TestServer::freeze()
{
    if (master_.state() != QProcess::NotRunning)
        ::kill(-pid_t(master_.processId()), SIGSTOP);
    frozen_ = true;
}

void Pop3TestServer::stop()
{
    if (master_.state() == QProcess::NotRunning)
        return;
    // The master and its workers share one process group (see start()).
    const pid_t group = pid_t(master_.processId());
    if (frozen_)
        ::kill(-group, SIGCONT);
    stopProcess(master_);
    QThread::msleep(100);
    ::kill(-group, SIGKILL); // any worker that outlived its master
}

// ---- SmtpTestServer

SmtpTestServer::SmtpTestServer(const Options& options)
{
    QStringList args{QStringLiteral(HALVORN_SUPPORT_SERVERS "/smtp_server.py"), u"--dir"_s, dir_.path()};
    if (options.tls != Tls::Off) {
        if (!MakeTestCertificate(dir_.path()))
            return;
        args << u"--tls"_s << (options.tls == Tls::StartTls ? u"starttls"_s : u"implicit"_s) << u"--cert"_s
             << dir_.filePath(u"cert.pem"_s) << u"--key"_s << dir_.filePath(u"key.pem"_s);
    }
    if (!options.user.isEmpty())
        args << u"--auth"_s << options.user + u':' + options.password;
    process_.start(u"/usr/bin/python3"_s, args);
    // Its first line says "PORT n" once it listens.
    while (!process_.canReadLine() && process_.waitForReadyRead(kStartMilliseconds)) {
    }
    const QByteArray line = process_.readLine();
    port_ = line.startsWith("PORT ") ? line.mid(5).trimmed().toInt() : 0;
}

SmtpTestServer::~SmtpTestServer()
{
    stopProcess(process_);
}

QList<SmtpTestServer::Received> SmtpTestServer::received() const
{
    QList<Received> all;
    const QDir dir(dir_.path());
    for (const QString& name : dir.entryList(QStringList{u"*.json"_s}, QDir::Files, QDir::Name)) {
        const QJsonObject envelope = QJsonDocument::fromJson(slurp(dir.filePath(name))).object();
        all << Received{
            envelope.value(u"from"_s).toString(), {}, slurp(dir.filePath(name.chopped(5) + u".eml"_s))};
        for (const QJsonValue& to : envelope.value(u"to"_s).toArray())
            all.last().recipients << to.toString();
    }
    return all;
}
