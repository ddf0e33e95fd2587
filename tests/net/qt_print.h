#pragma once
// Readable failure messages for Qt text types in GoogleTest.

#include <QByteArray>
#include <QString>
#include <ostream>

inline void PrintTo(const QByteArray &bytes, std::ostream *out)
{
  *out << '"' << bytes.toStdString() << '"';
}

inline void PrintTo(const QString &text, std::ostream *out)
{
  *out << '"' << text.toStdString() << '"';
}
