#pragma once

#include <QString>

namespace platform {

// Where a profile's "FTP Server Name" points. A plain name means FTP on
// port 21; URLs select FTPS with implicit TLS, SFTP or a local folder.
struct FtpTarget {
    enum class Scheme { Ftp, Ftps, Sftp, File };
    Scheme scheme = Scheme::Ftp;
    QString host; // without brackets for IPv6
    int port = 21;
    QString folder; // file:// only: the absolute local folder
    QString error;  // empty when the text was understood

    bool valid() const { return error.isEmpty(); }
    bool isLocal() const { return scheme == Scheme::File; }
    // Scheme, host and port as a URL prefix: "ftp://host:21", "sftp://[::1]:22".
    QString urlBase() const;
};

FtpTarget ParseFtpHost(const QString& text);

// Names sent to a server must not smuggle in further commands.
bool HasControlCharacters(const QString& text);

} // namespace platform
