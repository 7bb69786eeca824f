#pragma once

#include <QtTest>

namespace kuokuo::test {

// Compact tables: a row is one string "name|field|field…", in one column the test splits.
inline void rows(std::initializer_list<QString> list)
{
    QTest::addColumn<QString>("row");
    for (const QString &row : list)
        QTest::newRow(row.section('|', 0, 0).toUtf8().constData()) << row.section('|', 1);
}

// The fields of the current row, after its name.
inline QStringList row()
{
    return static_cast<QString *>(QTest::qData("row", qMetaTypeId<QString>()))->split('|');
}

} // namespace kuokuo::test
