#include "platform/combolist.h"

#include "common/logging.h"
#include "common/programfolder.h"
#include "common/textfile.h"

#include <QComboBox>

namespace kuokuo {

ComboList::ComboList(QComboBox *box, FileOf file, Unencodable rule)
    : m_box(box)
    , m_file(file)
    , m_rule(rule)
{}

ListFile ComboList::file() const
{
    // Bound to the program folder at the moment of use.
    return m_file(ProgramFolder::path());
}

QStringList ComboList::entries() const
{
    QStringList list;
    for (int i = 0; i < m_box->count(); ++i)
        list << m_box->itemText(i);
    return list;
}

QString ComboList::path() const
{
    return file().path();
}

QString ComboList::text() const
{
    return m_box->currentText();
}

bool ComboList::overCapacity() const
{
    return m_box->count() > file().capacity();
}

bool ComboList::load()
{
    const std::optional<QStringList> loaded = file().load();
    if (!loaded)
        return false;
    // Items added to an empty box would select the first one and replace the text.
    const QString text = this->text();
    m_box->addItems(*loaded);
    m_box->setCurrentIndex(-1);
    m_box->setEditText(text);
    return true;
}

ComboList::Added ComboList::add()
{
    QString text = this->text();
    if (!encodeCp932(text)) {
        if (m_rule == Unencodable::Refuse)
            return Added::Refused;
        text = percentEncodeOutsideCp932(text);
    }
    QStringList list = entries();
    if (!addListEntry(list, text))
        return Added::Unchanged;
    m_box->addItem(text);
    m_box->setEditText(text);
    return Added::Added;
}

bool ComboList::remove()
{
    QStringList list = entries();
    const qsizetype index = removeListEntry(list, text());
    if (index < 0)
        return false;
    m_box->removeItem(int(index));
    m_box->setEditText(QString());
    return true;
}

ComboList::Saved ComboList::save() const
{
    if (overCapacity())
        return Saved::Full;
    if (!file().save(entries())) {
        qCWarning(lcFiles) << "the list could not be saved:" << path();
        return Saved::Failed;
    }
    return Saved::Written;
}

} // namespace kuokuo
