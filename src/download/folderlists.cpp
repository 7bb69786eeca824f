#include "download/folderlists.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QStorageInfo>
#include <QStyle>

namespace kuokuo {

namespace {
bool isReadableFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

QString cleanFolder(const QString &path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}
} // namespace

DriveListBox::DriveListBox(QWidget *parent)
    : QComboBox(parent)
{
    fill();
    connect(this, &QComboBox::activated, this, [this] { emit Change(); });
}

QString DriveListBox::drive() const
{
    return currentData().toString();
}

void DriveListBox::showDriveOf(const QString &path)
{
    const QString root = QStorageInfo(path).rootPath();
    const int index = findData(root.isEmpty() ? QStringLiteral("/") : root);
    if (index >= 0)
        setCurrentIndex(index);
}

void DriveListBox::showPopup()
{
    const QString chosen = drive();
    fill();
    const int index = findData(chosen);
    if (index >= 0)
        setCurrentIndex(index);
    QComboBox::showPopup();
}

void DriveListBox::fill()
{
    clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || roots.contains(volume.rootPath()))
            continue;
        roots << volume.rootPath();
        const QString name =
            volume.displayName() == volume.rootPath()
                ? volume.rootPath()
                : QStringLiteral("%1 [%2]").arg(volume.rootPath(), volume.displayName());
        addItem(icon, name, volume.rootPath());
    }
    if (roots.isEmpty())
        addItem(icon, QStringLiteral("/"), QStringLiteral("/"));
}

DirListBox::DirListBox(QWidget *parent)
    : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIndentation(12);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) {
        if (setPath(item->data(0, Qt::UserRole).toString()))
            emit Change();
    });
}

bool DirListBox::setPath(const QString &path)
{
    if (!isReadableFolder(path))
        return false;
    const QString folder = cleanFolder(path);
    if (folder != m_path) {
        m_path = folder;
        fill();
    }
    return true;
}

void DirListBox::fill()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The chain of folders from the root down to the current one, each inside the one before.
    QStringList chain;
    for (QDir dir(m_path);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    QTreeWidgetItem *parent = nullptr;
    for (const QString &folder : chain) {
        const QString name = QDir(folder).isRoot() ? folder : QFileInfo(folder).fileName();
        auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
        item->setText(0, name);
        item->setIcon(0, open);
        item->setData(0, Qt::UserRole, folder);
        parent = item;
    }
    QTreeWidgetItem *current = parent;
    const QDir here(m_path);
    const QStringList subfolders =
        here.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : subfolders) {
        auto *item = new QTreeWidgetItem(current);
        item->setText(0, name);
        item->setIcon(0, closed);
        item->setData(0, Qt::UserRole, here.filePath(name));
    }
    expandAll();
    setCurrentItem(current);
    scrollToItem(current);
}

FileListBox::FileListBox(QWidget *parent)
    : QListWidget(parent)
{
    setUniformItemSizes(true);
}

bool FileListBox::setPath(const QString &path)
{
    if (!isReadableFolder(path))
        return false;
    m_path = cleanFolder(path);
    Refresh();
    return true;
}

void FileListBox::Refresh()
{
    clear();
    if (m_path.isEmpty())
        return;
    addItems(QDir(m_path).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
}

} // namespace kuokuo
