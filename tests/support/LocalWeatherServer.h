#pragma once
// tools/weather_server.py on 127.0.0.1, on a port the system picks, for the test's lifetime;
// with `tls`, over https with a certificate made now (ca() is the file to trust).
#include "platform/IniFile.h"
#include "support/RequireWritten.h"
#include "support/TempDir.h"
#include "weather/CurlPageFetcher.h"

#include <QFile>
#include <QProcess>
#include <QString>

#include <string>
#include <vector>

class LocalWeatherServer {
public:
    // `extra`: more options of the script (--daily stall ...).
    explicit LocalWeatherServer(bool tls = false, const QStringList& extra = {})
    {
        QStringList args{script(), "--port", "0", "--log",
                         QString::fromStdString(m_dir.file("requests.log"))};
        args << extra;
        if (tls) {
            QProcess openssl;
            openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                                      "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                                      QString::fromStdString(m_dir.file("key.pem")), "-out",
                                      QString::fromStdString(ca())});
            openssl.waitForFinished(60000);
            args << "--tls" << QString::fromStdString(ca()) << QString::fromStdString(m_dir.file("key.pem"));
        }
        m_process.start("python3", args);
        // The server prints its port once it listens.
        while (m_port == 0 && m_process.waitForReadyRead(30000)) {
            QByteArray line = m_process.readLine().trimmed();
            if (line.startsWith("PORT "))
                m_port = line.mid(5).toInt();
        }
        m_base = std::string(tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port);
    }
    ~LocalWeatherServer()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    bool running() const { return m_port != 0; }
    const std::string& base() const { return m_base; }
    std::string ca() const { return m_dir.file("ca.pem"); }
    // The paths requested so far, in order.
    std::vector<std::string> requests() const
    {
        std::vector<std::string> lines;
        QFile f(QString::fromStdString(m_dir.file("requests.log")));
        if (f.open(QIODevice::ReadOnly))
            for (const QByteArray& l : f.readAll().split('\n'))
                if (!l.isEmpty())
                    lines.push_back(l.toStdString());
        return lines;
    }
    // From now on the daily pages of `from` (YYYY-MM) and later answer as `mode` says: "ok",
    // "stall" (never) or "drop" (the connection closes without a byte). False when the server
    // did not take it.
    bool setDaily(const std::string& mode, const std::string& from = {}) const
    {
        return CurlPageFetcher().fetch(m_base + "/control?daily=" + mode + "&from=" + from, 10).ok();
    }
    // The number of requests whose path contains `part`.
    int requestsFor(const std::string& part) const
    {
        int n = 0;
        for (const std::string& r : requests())
            n += r.find(part) != std::string::npos;
        return n;
    }
    // The shipped Weather.ini copied to `folder`, pointed at this server, without pauses.
    std::string writeWeatherIni(const std::string& folder) const
    {
        std::string ini = folder + "/Weather.ini";
        QFile::remove(QString::fromStdString(ini));
        QFile::copy(QStringLiteral(KELTO_KIT_DIR "/Weather.ini"), QString::fromStdString(ini));
        RequireWritten(IniFile::WriteString(ini, "Net", "HostName", m_base));
        RequireWritten(IniFile::WriteString(ini, "Net", "RequestInterval", "0"));
        return ini;
    }

private:
    static QString script()
    {
        QString kit = QStringLiteral(KELTO_KIT_DIR);
        return kit.left(kit.lastIndexOf('/')) + "/tools/weather_server.py";
    }
    TempDir m_dir;
    QProcess m_process;
    int m_port = 0;
    std::string m_base;
};
