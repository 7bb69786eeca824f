#pragma once

#include <QString>
#include <QTemporaryFile>

namespace kuokuo {

// A downloaded file that appears only whole: its bytes go to a temporary file in the download
// folder (without a name where the system allows, hidden otherwise), which is renamed onto the
// real name at `commit`. Whatever is not committed
// is removed. No fsync: a download can be repeated, and an fsync costs more than a small file.
class PartFile
{
public:
    explicit PartFile(const QString &folder);
    PartFile(const PartFile &) = delete;
    PartFile &operator=(const PartFile &) = delete;

    // Creates the temporary file; false when the folder cannot take it.
    [[nodiscard]] bool open();
    QIODevice *device() { return &m_file; }
    qint64 size() const { return m_file.size(); }

    // Empties the file for another try of the same download.
    [[nodiscard]] bool restart() { return m_file.resize(0) && m_file.seek(0); }

    // Puts the bytes under `path`, replacing a file of that name. False leaves no trace of the
    // new bytes; an existing file stays as it was.
    [[nodiscard]] bool commit(const QString &path);
    // Whether the last commit failed because the disk was full.
    bool diskFull() const { return m_diskFull; }
    // Drops the bytes now rather than at destruction.
    void discard();

private:
    QString m_folder;
    QTemporaryFile m_file;
    bool m_diskFull = false;
};

} // namespace kuokuo
