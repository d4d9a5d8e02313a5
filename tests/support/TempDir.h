#pragma once
// A temporary folder for one test, removed afterwards; tests never touch $HOME or the real
// program folder.
#include <QDir>
#include <QTemporaryDir>

#include <string>

class TempDir {
public:
    TempDir() { m_dir.setAutoRemove(true); }
    std::string path() const { return m_dir.path().toStdString(); }
    std::string file(const std::string& name) const { return path() + "/" + name; }
    std::string mkdir(const std::string& name) const
    {
        QDir().mkpath(QString::fromStdString(file(name)));
        return file(name);
    }

private:
    QTemporaryDir m_dir;
};
