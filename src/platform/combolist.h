#pragma once

#include "common/listfile.h"

#include <QStringList>

class QComboBox;

namespace kuokuo {

// A combo box bound to its list file: the drop-down list is the list, loaded from the file and
// written back to it whole. The address list and the chat lists share it.
class ComboList
{
public:
    // The list file of a program folder (ListFile::addresses, ::servers, ::rooms).
    using FileOf = ListFile (*)(const QString &folder);

    // What becomes of a text that the list file (CP932) cannot hold.
    enum class Unencodable {
        PercentEncode, // an address: its UTF-8 bytes are percent-encoded, the same page
        Refuse,        // a name: it is not added
    };
    enum class Added { Added, Unchanged, Refused };
    enum class Saved { Written, Full, Failed };

    ComboList(QComboBox *box, FileOf file, Unencodable rule);

    QStringList entries() const;
    // The list file's path in the program folder.
    QString path() const;
    // The text of the box: what the user typed or picked.
    QString text() const;
    bool overCapacity() const;

    // Appends the file's entries to the drop-down list, only once the whole file was read; the
    // text of the box stays. False when the file could not be read.
    [[nodiscard]] bool load();
    // Appends the box's text, unless it is empty or already in the list.
    Added add();
    // Removes the first entry equal to the box's text and empties the box; false when none is.
    bool remove();
    // Writes the list to its file, unless it holds more entries than the file may.
    [[nodiscard]] Saved save() const;

private:
    ListFile file() const;

    QComboBox *m_box;
    FileOf m_file;
    Unencodable m_rule;
};

} // namespace kuokuo
