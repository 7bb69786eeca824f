#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>

namespace kuokuo {

// The drive list: the mounted volumes, each known by the folder it is mounted on.
class DriveListBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DriveListBox(QWidget *parent = nullptr);

    // The folder of the chosen volume.
    QString drive() const;
    // Chooses the volume that holds `path`, without a change event.
    void showDriveOf(const QString &path);

Q_SIGNALS:
    // The user chose another volume.
    void Change();

protected:
    // Volumes come and go: the list is read again each time it opens.
    void showPopup() override;

private:
    void fill();
};

// The directory list: the folders from the root down to the current one, then its subfolders.
// Double-click or Enter on a folder makes it the current one.
class DirListBox : public QTreeWidget
{
    Q_OBJECT
public:
    explicit DirListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // False, and nothing changes, when `path` is no folder that can be read.
    bool setPath(const QString &path);

Q_SIGNALS:
    void Change();

private:
    void fill();

    QString m_path;
};

// The file list: the files of one folder, read again by Refresh.
class FileListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit FileListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // False, and nothing changes, when `path` is no folder that can be read.
    bool setPath(const QString &path);
    void Refresh();

private:
    QString m_path;
};

} // namespace kuokuo
