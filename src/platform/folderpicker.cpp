#include "platform/folderpicker.h"

#include <QDir>
#include <QFileDialog>

namespace kuokuo {

namespace {
class QtFolderPicker final : public FolderPicker
{
public:
    std::optional<QString> chooseFolder(QWidget *owner, const QString &title) override
    {
        const QString folder = QFileDialog::getExistingDirectory(owner, title, QDir::homePath(),
                                                                 QFileDialog::ShowDirsOnly);
        if (folder.isEmpty())
            return std::nullopt;
        return QDir::toNativeSeparators(folder);
    }
};
} // namespace

template <>
FolderPicker &Adapter<FolderPicker>::real()
{
    static QtFolderPicker picker;
    return picker;
}

} // namespace kuokuo
