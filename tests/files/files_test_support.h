// Readable failures for Qt strings, and a temporary folder the tests fill with small files.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <ostream>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* out) {
  *out << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

class FolderFixture {
 public:
  QString path(const QString& name) const { return dir_.filePath(name); }
  QString folder() const { return dir_.path(); }

  QString write(const QString& name, const QByteArray& bytes = "data") const {
    const QString file = path(name);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly)) << file.toStdString();
    out.write(bytes);
    return file;
  }

 private:
  QTemporaryDir dir_;
};
