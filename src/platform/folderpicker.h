#pragma once

#include "platform/adapter.h"

#include <QString>

#include <optional>

class QWidget;

namespace kuokuo {

// The platform's folder picker: only file-system folders can be chosen.
class FolderPicker
{
public:
    virtual ~FolderPicker() = default;
    // The chosen folder's full path, or nothing when the user cancels.
    virtual std::optional<QString> chooseFolder(QWidget *owner, const QString &title) = 0;
};

template <>
FolderPicker &Adapter<FolderPicker>::real();
inline FolderPicker &folderPicker()
{
    return Adapter<FolderPicker>::get();
}

} // namespace kuokuo
